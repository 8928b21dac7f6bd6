#!/usr/bin/env bash
# Builds the Debian package from a build folder (default: build), prints its control
# information, and with --try installs it on this machine with apt-get, checks that the
# installed vorkan42 starts (--version), and removes it again (needs root).
#
#   bash scripts/package.sh [--try] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
try=no
if [ "${1:-}" = --try ]; then try=yes; shift; fi
build=${1:-build}

rm -f "$build"/vorkan42_*.deb
(cd "$build" && cpack -G DEB > cpack.log) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/vorkan42_*.deb)
echo "Built $deb"
dpkg-deb --info "$deb"
dpkg-deb --field "$deb" Depends | grep -q "libqt6widgets6" && dpkg-deb --field "$deb" Depends | grep -q "libsqlite3-0" &&
  dpkg-deb --field "$deb" Depends | grep -q "xdg-utils" || { echo "the package lacks a dependency" >&2; exit 1; }
[ "$try" = yes ] || exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "package install check skipped: it needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' vorkan42 2>/dev/null | grep -q "install ok installed"; then
  echo "vorkan42 is installed here already; the install check leaves it alone"
  exit 0
fi
apt=(env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o DPkg::Lock::Timeout=300)
trap '"${apt[@]}" remove vorkan42 > /dev/null' EXIT
"${apt[@]}" install "$(realpath "$deb")" > "$build/apt-install.log" || { cat "$build/apt-install.log"; exit 1; }
[ "$(command -v vorkan42)" = /usr/bin/vorkan42 ] || { echo "vorkan42 is not on PATH after install" >&2; exit 1; }
version=$(env -u DISPLAY -u WAYLAND_DISPLAY vorkan42 --version)
echo "installed package runs: $version"
grep -qx "vorkan42 $(dpkg-deb --field "$deb" Version)" <<< "$version" ||
  { echo "the installed program's version differs from the package's" >&2; exit 1; }
