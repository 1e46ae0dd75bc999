#!/usr/bin/env bash
# Installs the Debian packages Balantrix needs to build, run and test.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite libqt6sql6-odbc libqt6serialport6
  tdsodbc unixodbc
  libcurl4-openssl-dev libkainjow-mustache-dev libcups2-dev
  xvfb xauth socat poppler-utils python3-aiosmtpd sqlite3
  fonts-dejavu-core
  libsqlite3-dev
  libqrencode-dev zbar-tools libssl-dev
  qt6-svg-dev libqt6svg6
  qt6-charts-dev libqt6opengl6-dev
  qt6-translations-l10n
  postgresql libqt6sql6-psql
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "install-deps: installed ${missing[*]}"
