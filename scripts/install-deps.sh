#!/usr/bin/env bash
# Installs the system packages Kalvo needs to build, run and test on Debian 12 or Ubuntu 24.04.
#   scripts/install-deps.sh          everything (the Linux build, its tests, the Windows cross build)
#   scripts/install-deps.sh windows  only the MinGW-w64 cross compiler and Wine
# Safe to run again: packages already present are left as they are.
set -euo pipefail

linux_packages=(
  build-essential cmake ninja-build pkg-config python3
  qt6-base-dev qt6-multimedia-dev libqt6svg6-dev
  nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  libical-dev
  clang libclang-rt-dev
  xvfb xauth imagemagick trayer xdotool
  fonts-dejavu-core
  libdbus-1-dev dbus-daemon libglib2.0-bin python3-gi gir1.2-glib-2.0
  desktop-file-utils appstream
)
# GoogleTest's sources come with libgtest-dev (/usr/src/googletest); the cross build compiles them.
windows_packages=(
  cmake ninja-build python3 nlohmann-json3-dev libgtest-dev
  g++-mingw-w64-x86-64-posix wine64
)
case "${1:-all}" in
  windows) packages=("${windows_packages[@]}") ;;
  all) packages=("${linux_packages[@]}" "${windows_packages[@]}") ;;
  *) echo "usage: $0 [windows]" >&2; exit 2 ;;
esac

# Skip apt entirely when everything is there already (quick re-runs, no network needed).
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
# Ubuntu and Debian name the clang runtime package after the clang version.
if [[ " ${missing[*]} " == *" libclang-rt-dev "* ]] && ! apt-cache show libclang-rt-dev >/dev/null 2>&1; then
  ver=$(apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9]*\).*/\1/p' | head -n1)
  missing=("${missing[@]/libclang-rt-dev/libclang-rt-${ver:-14}-dev}")
fi
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
