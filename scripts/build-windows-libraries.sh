#!/usr/bin/env bash
# Builds (or finds in the cache) every library of the Windows build that Debian does not ship for
# MinGW-w64: the static Qt for Windows and libical. Each prints its prefix last.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-qt-windows.sh
scripts/build-libical-windows.sh
