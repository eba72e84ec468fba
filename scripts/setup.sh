#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Brindle needs.
# Non-interactive and idempotent: when everything is there it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-multimedia-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core fontconfig
  wamerican xfonts-base libhunspell-dev hunspell-en-us
  libtiff-tools libtiff-dev libsqlite3-dev libspandsp-dev
  python3 python3-dbf python3-dbfread
  xvfb xauth x11-utils poppler-utils ccache
  ghostscript
  desktop-file-utils appstream shared-mime-info libglib2.0-bin librsvg2-bin dpkg-dev
  dbus-daemon dbus-session-bus-common file
  cups-daemon cups-client cups-bsd cups-filters
  tesseract-ocr tesseract-ocr-eng
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

run_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
run_root apt-get update -qq
run_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
