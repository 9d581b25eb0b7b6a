#!/usr/bin/env bash
# Installs the system packages Kalvo needs to build, run and test on Debian 12 or Ubuntu 24.04.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  qt6-base-dev qt6-multimedia-dev libqt6svg6-dev
  nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev
  xvfb xauth imagemagick trayer xdotool
)

# Skip apt entirely when everything is there already (quick re-runs, no network needed).
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# Ubuntu and Debian name the clang runtime package after the clang version.
if ! apt-cache show libclang-rt-dev >/dev/null 2>&1; then
  ver=$(apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9]*\).*/\1/p' | head -n1)
  missing=("${missing[@]/libclang-rt-dev/libclang-rt-${ver:-14}-dev}")
fi
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
