#!/usr/bin/env bash
# Builds Kalvo and starts the tray program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh linux
cmake --preset default >/dev/null
cmake --build --preset default
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
Kalvo is built (build/default/bin/kalvo), but this session has no display to show it on.
Run it on a desktop, or in a virtual display:
    xvfb-run -a -s "-screen 0 1280x800x24" build/default/bin/kalvo
MSG
  exit 1
fi
exec build/default/bin/kalvo
