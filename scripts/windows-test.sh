#!/usr/bin/env bash
# Builds Kalvo's engine, kalvo-cli and the Windows backend for 64-bit Windows with MinGW-w64 and runs their
# tests under Wine: the unit tests and the command-line contract, each as on Linux.
#   scripts/windows-test.sh              installs what is missing (apt), builds, tests
#   scripts/windows-test.sh --if-present as a ctest test: skipped (77) when MinGW-w64 or Wine is missing
# Extra arguments go to ctest. The build is build/windows, with its own Wine prefix inside.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--if-present" ]; then
  shift
  if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
     ! { command -v wine64 || command -v wine || [ -x /usr/lib/wine/wine64 ]; } >/dev/null; then
    echo "MinGW-w64 or Wine is not installed (scripts/install-deps.sh installs them): skipped"
    exit 77
  fi
else
  scripts/install-deps.sh windows
fi

build=build/windows
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# Wine keeps a server per prefix for a while after the last program; end ours when done.
trap '"$wineserver" -k 2>/dev/null || true' EXIT

cmake --preset windows >/dev/null
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1 || true
  "$wineserver" -w
fi
# One server for the whole run, detached from our output: a server that a test program starts would
# hold that program's output pipe open for seconds after it ends.
"$wineserver" -p </dev/null >/dev/null 2>&1 || true
cmake --build --preset windows -j "${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
ctest --preset windows -j 2 "$@"
