#!/usr/bin/env bash
# Builds Kalvo with warnings as errors and runs every test: unit, window and command-line tests through
# ctest, with each file reader under libFuzzer for a bounded time, then the Windows build's tests under
# Wine and, beside them, the engine's tests under the sanitizers.
#
# The Windows program is built against a static Qt for Windows and libical, which the first run on a
# machine builds (about 26 minutes of CPU) and later runs reuse from the cache. That build, and then the
# Windows program's own, run in the background from the start, in a session of their own (the kernel
# shares the processors between sessions, so they take about half while the Linux build runs, and what
# the Linux tests leave idle). The Windows tests mostly wait for Wine, so the sanitizer build and its
# tests run beside them, at a lower priority.
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
# Two at a time: the fuzzers and the servers' tests wait or use one processor; the real program's tests
# under Xvfb run one at a time beside the others (RESOURCE_LOCK), those that need the machine to
# themselves are marked RUN_SERIAL.
ctest --preset ci --output-on-failure -j 2 -E '^windows_build$' "$@"

# Beside the Windows tests: the engine, kalvo-cli and their tests once more under AddressSanitizer and
# UBSan (without the windows, whose Qt build would double the time; the asan preset with
# -DKALVO_BUILD_GUI=ON runs them too). The preset kills a sync 25 times per server rather than 150: the
# run above counts the finished states, this one looks for memory faults on the way. Its output is shown
# whole once the Windows tests are done.
asan_log=$PWD/build/asan.log
nice -n 10 bash -c 'cmake --preset asan >/dev/null && cmake --build --preset asan && ctest --preset asan -j 2 "$@"' \
  asan "$@" >"$asan_log" 2>&1 </dev/null &
asan=$!
trap 'stop_windows_libraries; kill "$asan" 2>/dev/null || true; exit 130' INT TERM

windows_status=0
if ! wait "$windows_libraries"; then
  tail -n 40 "$windows_log" >&2
  echo "The Qt or libical for Windows did not build; the whole log is $windows_log" >&2
  windows_status=1
else
  ctest --preset ci --output-on-failure -R '^windows_build$' "$@" || windows_status=$?
fi

asan_status=0
wait "$asan" || asan_status=$?
echo "=== The sanitizer build and tests ($asan_log) ==="
cat "$asan_log"
if [ "$asan_status" -ne 0 ]; then
  echo "The sanitizer build or tests failed (exit $asan_status)" >&2
fi
[ "$windows_status" -eq 0 ] && [ "$asan_status" -eq 0 ]
