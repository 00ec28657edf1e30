#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, test and run the program.
# Idempotent and quiet when everything is already there.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ clang pkg-config
  qt6-base-dev qt6-serialport-dev qt6-serialbus-dev qt6-charts-dev libqt6opengl6-dev qt6-multimedia-dev qt6-translations-l10n libgl-dev
  libxlsxwriter-dev
  libpq-dev postgresql
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation
  xvfb xauth imagemagick poppler-utils socat python3-xlrd python3-openpyxl
  cups cups-daemon cups-client cups-filters ghostscript printer-driver-cups-pdf
  dpkg-dev file desktop-file-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
