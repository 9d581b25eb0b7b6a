#!/usr/bin/env bash
# Builds (or finds in the cache) every library of the Windows build that Debian does not ship for
# MinGW-w64: the static Qt for Windows and libical. Each prints its prefix last.
#   scripts/build-windows-libraries.sh             the libraries only
#   scripts/build-windows-libraries.sh --program   then also builds kalvo.exe, its tests and packages in
#                                                  build/windows, so that the Windows tests later find
#                                                  them built (scripts/test.sh runs this in the
#                                                  background while the Linux tests leave the
#                                                  processors idle)
# A failed program build is only logged: scripts/windows-test.sh builds again and reports it.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=$(scripts/build-qt-windows.sh)
libical=$(scripts/build-libical-windows.sh)
printf '%s\n%s\n' "$qt" "$libical"
if [ "${1:-}" = "--program" ]; then
  export KALVO_WINDOWS_QT="$qt" KALVO_WINDOWS_LIBICAL="$libical"
  if cmake --preset windows >/dev/null && cmake --build --preset windows -j 2; then
    echo "kalvo.exe, its tests and packages are built in build/windows"
  else
    echo "The Windows program did not build here; the Windows tests build it again" >&2
  fi
fi
