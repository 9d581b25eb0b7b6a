#!/usr/bin/env bash
# Installs the system packages Kalvo needs to build, run and test on Debian 12 or Ubuntu 24.04.
#   scripts/install-deps.sh          everything (the Linux build, its tests and package, the Windows cross build)
#   scripts/install-deps.sh linux    only what the Linux program needs to build and run (scripts/run.sh)
#   scripts/install-deps.sh windows  only what the Windows build needs: MinGW-w64, Wine, the build
#                                    machine's Qt (host tools and the pictures) and NSIS
# Safe to run again: packages already present are left as they are.
set -euo pipefail

linux_packages=(
  build-essential cmake ninja-build pkg-config python3
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-translations-l10n
  nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  libical-dev libdbus-1-dev qtkeychain-qt6-dev
)
# The tests, the fuzzers and the Debian package's checks; the sync tests' CalDAV servers, certificates, a
# Secret Service of their own, and another calendar client beside Kalvo (vdirsyncer with khal); clang-format
# 14 and git for the checks of the tree (scripts/check-tree.py).
linux_test_packages=(
  clang libclang-rt-dev clang-format-14 git
  xvfb xauth imagemagick trayer xdotool
  fonts-dejavu-core
  dbus-daemon libglib2.0-bin python3-gi gir1.2-glib-2.0 at-spi2-core python3-pyatspi
  desktop-file-utils appstream lintian
  radicale xandikos openssl gnome-keyring libsecret-tools vdirsyncer khal
)
# GoogleTest's sources come with libgtest-dev (/usr/src/googletest); the cross build compiles them. The
# Qt for Windows is built from the sources of Debian's qt6-base (apt-get source needs dpkg-dev), with
# Debian's own Qt as its host tools, and libical from those of the installed libical-dev; NSIS makes the
# installer; Wine's fonts give the programs Tahoma.
windows_packages=(
  cmake ninja-build python3 nlohmann-json3-dev libgtest-dev
  g++-mingw-w64-x86-64-posix wine64 dpkg-dev
  qt6-base-dev qt6-svg-dev qt6-translations-l10n libical-dev nsis
  xvfb xauth trayer xdotool imagemagick fonts-wine fonts-dejavu-core locales
)
case "${1:-all}" in
  windows) packages=("${windows_packages[@]}") ;;
  linux) packages=("${linux_packages[@]}") ;;
  all) packages=("${linux_packages[@]}" "${linux_test_packages[@]}" "${windows_packages[@]}") ;;
  *) echo "usage: $0 [linux|windows]" >&2; exit 2 ;;
esac

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

# Skip apt entirely when everything is there already (quick re-runs, no network needed).
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  # Ubuntu and Debian name the clang runtime package after the clang version.
  if [[ " ${missing[*]} " == *" libclang-rt-dev "* ]] && ! apt-cache show libclang-rt-dev >/dev/null 2>&1; then
    ver=$(apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9]*\).*/\1/p' | head -n1)
    missing=("${missing[@]/libclang-rt-dev/libclang-rt-${ver:-14}-dev}")
  fi
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The Windows tests run kalvo.exe in a Slovak session under Wine, which takes its locale from the
# machine's: the Slovak locale must exist there.
if [[ " ${packages[*]} " == *" locales "* ]] && ! locale -a 2>/dev/null | grep -qix 'sk_SK.utf8'; then
  "${sudo[@]}" localedef -i sk_SK -f UTF-8 sk_SK.UTF-8
fi
