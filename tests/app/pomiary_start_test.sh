#!/bin/sh
# The launcher's start script (resources/pomiary-start) against a fake
# program that records where and with what it was started.
# Usage: pomiary_start_test.sh PATH/TO/pomiary-start
set -u

script=$(readlink -f -- "$1")
tmp=$(mktemp -d)
trap 'rm -rf -- "$tmp"' EXIT
failures=0
checks=0

check() {  # check DESCRIPTION COMMAND...
    desc=$1
    shift
    checks=$((checks + 1))
    if ! "$@"; then
        echo "FAILED: $desc" >&2
        failures=$((failures + 1))
    fi
}

# The package's bin/: the script and a fake program next to it.
bin=$tmp/usr/bin
mkdir -p "$bin"
cp -- "$script" "$bin/pomiary-start"
cat > "$bin/pomiary" <<'EOF'
#!/bin/sh
{ pwd; echo "$#"; for a in "$@"; do echo "[$a]"; done; } > "$RECORD"
exit 7
EOF
chmod +x "$bin/pomiary-start" "$bin/pomiary"

# Message windows, recorded instead of shown.
tools=$tmp/tools
mkdir -p "$tools"
for t in zenity kdialog; do
    # shellcheck disable=SC2016 # expanded by the fake, not here
    printf '#!/bin/sh\necho "%s $*" >> "$SHOWN"\n' "$t" > "$tools/$t"
    chmod +x "$tools/$t"
done

export RECORD="$tmp/record" SHOWN="$tmp/shown"
run() {  # run HOME-value ARGS...: the script's exit code in $rc
    h=$1
    shift
    rm -f -- "$RECORD" "$SHOWN"
    HOME=$h PATH="$tools:/usr/bin:/bin" "$bin/pomiary-start" "$@" 2> "$tmp/stderr"
    rc=$?
}
lines() { cat -- "$RECORD" 2>/dev/null; }
mode() { stat -c %a -- "$1"; }

# First start: ~/Pomiary with dane/ and archiwum/, the user's alone; the
# program runs there with its two arguments, and its exit code comes back.
home=$tmp/home/jan
mkdir -p "$home"
run "$home" ADMINISTRATOR 957
check "exit code of the program" [ "$rc" = 7 ]
check "dane/ made" [ -d "$home/Pomiary/dane" ]
check "archiwum/ made" [ -d "$home/Pomiary/archiwum" ]
check "new folder is private" [ "$(mode "$home/Pomiary")" = 700 ]
check "runs in the folder with both arguments" \
    [ "$(lines)" = "$(printf '%s\n2\n[ADMINISTRATOR]\n[957]' "$home/Pomiary")" ]
check "nothing shown" [ ! -e "$SHOWN" ]

# Later starts: what is there stays; a missing archiwum/ comes back; no
# arguments means none (the login window), a blank inside one is kept.
printf 'Port=COM2\r\n' > "$home/Pomiary/dane/konfig.ini"
rmdir "$home/Pomiary/archiwum"
chmod 750 "$home/Pomiary"
run "$home"
check "no arguments passed on" [ "$(lines)" = "$(printf '%s\n0' "$home/Pomiary")" ]
check "konfig.ini kept" [ "$(cat "$home/Pomiary/dane/konfig.ini")" = "$(printf 'Port=COM2\r')" ]
check "archiwum/ made again" [ -d "$home/Pomiary/archiwum" ]
check "existing folder keeps its mode" [ "$(mode "$home/Pomiary")" = 750 ]
run "$home" "Jan Kowalski" "tajne hasło"
check "arguments with blanks kept whole" \
    [ "$(lines)" = "$(printf '%s\n2\n[Jan Kowalski]\n[tajne hasło]' "$home/Pomiary")" ]

# POMIARY_DIR names another folder, also one with blanks in its path.
shared="$tmp/srv/dane stacji"
POMIARY_DIR=$shared run "$home"
check "POMIARY_DIR used" [ "$(lines)" = "$(printf '%s\n0' "$shared")" ]
check "POMIARY_DIR gets dane/" [ -d "$shared/dane" ]

# Started through a link (another bin/ on PATH): the program next to the script.
mkdir -p "$tmp/local/bin"
ln -s "$bin/pomiary-start" "$tmp/local/bin/pomiary-start"
rm -f -- "$RECORD"
HOME=$home PATH="$tools:/usr/bin:/bin" "$tmp/local/bin/pomiary-start" 2> /dev/null
check "found through a link" [ "$(lines)" = "$(printf '%s\n0' "$home/Pomiary")" ]

# ~/Pomiary is a file: nothing starts, the user is told, the file stays.
home2=$tmp/home/ewa
mkdir -p "$home2"
echo notatki > "$home2/Pomiary"
run "$home2" ADMINISTRATOR 957
check "refused when the folder cannot be made" [ "$rc" = 1 ]
check "program not started" [ ! -e "$RECORD" ]
check "file left as it was" [ "$(cat "$home2/Pomiary")" = notatki ]
check "message names the folder" grep -q "Nie można utworzyć katalogu danych $home2/Pomiary" "$tmp/stderr"
check "message shown in a window" grep -q "^zenity --error" "$SHOWN"

# No home folder known.
rm -f -- "$RECORD"
env -u HOME PATH="$tools:/usr/bin:/bin" RECORD="$RECORD" SHOWN="$SHOWN" "$bin/pomiary-start" 2> "$tmp/stderr"
rc=$?
check "refused without HOME" [ "$rc" = 1 ]
check "program not started without HOME" [ ! -e "$RECORD" ]

# The program missing next to the script.
rm -f -- "$bin/pomiary"
run "$home"
check "refused without the program" [ "$rc" = 1 ]
check "message names the program" grep -q "Brak programu $bin/pomiary" "$tmp/stderr"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" = 0 ]
