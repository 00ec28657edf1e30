#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo folder demo/ and starts
# the program there, reading weights from the built-in scale simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
scripts/install-deps.sh
scripts/build.sh

mkdir -p demo/dane demo/archiwum
cd demo

# The simulator serves a TCP port; the program connects to it as a client.
SIM_PORT=${SIM_PORT:-3333}
if [ ! -f dane/konfig.ini ]; then
  printf 'Polaczenie_wagi=1\r\nAdres_IP_wagi=127.0.0.1\r\nPort_IP_wagi=%s\r\n' "$SIM_PORT" > dane/konfig.ini
fi
# A few dictionary entries to pick from (cp1250, CR LF), only when missing.
[ -f dane/materialy.txt ] || printf 'Piasek p\xb3ukany\tPaleta\t12.50\r\n\xafwir 2-8\t\t45.00\r\nKruszywo 8-16\tBig bag\t38.00\r\n' > dane/materialy.txt
[ -f dane/opakowania.txt ] || printf 'Paleta\t25.00\r\nBig bag\t1.50\r\n' > dane/opakowania.txt
[ -f dane/klienci.txt ] || printf 'Budmax S.A.\r\nPHU Kowalski\r\n' > dane/klienci.txt
# SIM_FORMAT picks the indicator family the simulator speaks (header, toledo,
# sma, sics, si, modbus); choose the same under "Protokół wagi" or press "Wykryj".
SIM_FORMAT=${SIM_FORMAT:-header}
"$ROOT/build/bin/scale-sim" --tcp "$SIM_PORT" --bind 127.0.0.1 --cycle random --format "$SIM_FORMAT" >/dev/null 2>&1 &
SIM_PID=$!
trap 'kill $SIM_PID 2>/dev/null || true' EXIT
# Without arguments the demo logs in as the built-in administrator; give an
# operator's name and password to log in as someone else, or "-" for the login window.
if [ $# -eq 0 ]; then
  set -- ADMINISTRATOR 957
elif [ "$1" = "-" ]; then
  set --
fi
"$ROOT/build/bin/pomiary" "$@"
