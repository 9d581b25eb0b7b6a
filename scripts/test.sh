#!/usr/bin/env bash
# Builds Kalvo with warnings as errors and runs every test: unit, window and command-line tests through
# ctest, then each file reader under libFuzzer for a bounded time, then the engine's tests under the
# sanitizers. The Windows program is built against a static Qt and libical for Windows, which the first
# run on a machine builds (the Qt in about 40 minutes, libical in about 2) and later runs reuse.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build-qt-windows.sh >/dev/null
scripts/build-libical-windows.sh >/dev/null

cmake --preset ci >/dev/null
cmake --build --preset ci

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export FUZZ_BUILD="$PWD/build/fuzz" FUZZ_SECONDS="${FUZZ_SECONDS:-60}"
ctest --preset ci --output-on-failure "$@"

# The engine, kalvo-cli and their tests once more under AddressSanitizer and UBSan (without the windows,
# whose Qt build would double the time; the asan preset with -DKALVO_BUILD_GUI=ON runs them too).
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan "$@"
