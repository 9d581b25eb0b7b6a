#!/usr/bin/env bash
# Builds Kalvo with warnings as errors and runs every test: unit, window and command-line tests through
# ctest, then each file reader under libFuzzer for a bounded time, then the engine's tests under the
# sanitizers, and last the Windows build and its tests under Wine.
#
# The Windows program is built against a static Qt for Windows and libical, which the first run on a
# machine builds (about 26 minutes of CPU) and later runs reuse from the cache. That build, and then the
# Windows program's own, run in the background at the lowest priority while the Linux build and its tests
# run, taking the time the tests leave the processors idle; the Windows tests wait for them at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

mkdir -p build
windows_log=$PWD/build/windows-libraries.log
setsid nice -n 19 scripts/build-windows-libraries.sh --program >"$windows_log" 2>&1 </dev/null &
windows_libraries=$!
stop_windows_libraries() { kill -- "-$windows_libraries" 2>/dev/null || true; }
trap 'stop_windows_libraries; exit 130' INT TERM
trap 'status=$?; if [ $status -ne 0 ] && kill -0 "$windows_libraries" 2>/dev/null; then
        echo "The Qt and libical for Windows go on building in the background ($windows_log)." >&2; fi' EXIT

cmake --preset ci >/dev/null
cmake --build --preset ci

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export FUZZ_BUILD="$PWD/build/fuzz" FUZZ_SECONDS="${FUZZ_SECONDS:-30}"
# Two at a time: the fuzzers and the servers' tests wait or use one processor; the tests that need a
# display or the machine to themselves are marked RUN_SERIAL.
ctest --preset ci --output-on-failure -j 2 -E '^windows_build$' "$@"

# The engine, kalvo-cli and their tests once more under AddressSanitizer and UBSan (without the windows,
# whose Qt build would double the time; the asan preset with -DKALVO_BUILD_GUI=ON runs them too).
# The preset kills a sync 50 times per server rather than 150: the run above counts the finished states,
# this one looks for memory faults on the way.
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j 2 "$@"

if ! wait "$windows_libraries"; then
  tail -n 40 "$windows_log" >&2
  echo "The Qt or libical for Windows did not build; the whole log is $windows_log" >&2
  exit 1
fi
ctest --preset ci --output-on-failure -R '^windows_build$' "$@"
