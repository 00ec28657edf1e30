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
"$ROOT/build/bin/scale-sim" --tcp "$SIM_PORT" --bind 127.0.0.1 --cycle random >/dev/null 2>&1 &
SIM_PID=$!
trap 'kill $SIM_PID 2>/dev/null || true' EXIT
"$ROOT/build/bin/pomiary" "$@"
