#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing), then configures and
# builds into the folder given as $1 (default: build). Further arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ pkg-config libsqlite3-dev libpq-dev postgresql libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev libgl-dev libxcb1-dev xvfb xauth openbox xdg-utils fonts-dejavu-core adwaita-icon-theme hicolor-icon-theme
          librsvg2-bin desktop-file-utils appstream man-db dpkg-dev file gdb)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi

build=${1:-build}
shift || true
cmake -S . -B "$build" -G Ninja "$@"
cmake --build "$build" -j "$(nproc)"
