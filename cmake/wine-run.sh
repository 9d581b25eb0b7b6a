#!/bin/sh
# Runs a Windows program of the cross build under Wine: the emulator that CMake and ctest put in front of
# every program built for Windows. WINEPREFIX, KALVO_WINE and KALVO_WINESERVER come from the toolchain.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The first program in a prefix starts Wine's server and its system services, which then outlive it. Had
# they our output, whoever reads it (ninja, ctest, a test script) would wait for them, so they are
# started here with no output of ours, once, and the server stays for 5 s after its last program. Nor
# may they hold the lock (-o): the next program would wait for the server to end before it could start.
mkdir -p "$WINEPREFIX"
flock -o "$WINEPREFIX.lock" sh -c '
  if "$KALVO_WINESERVER" -p5 </dev/null >/dev/null 2>&1; then
    "$KALVO_WINE" wineboot </dev/null >/dev/null 2>&1
  fi' || true
exec "$KALVO_WINE" "$@"
