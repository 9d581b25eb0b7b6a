#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time over its checked-in corpus. Used by ctest; skipped
# (exit 77) when the fuzz build is not there. An optional second argument caps the seconds below
# FUZZ_SECONDS (for a target whose library is slow to fuzz and not the project's own).
set -euo pipefail
name="$1"
src="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-$src/build/fuzz}"
bin="$build/bin/fuzz_$name"
[ -x "$bin" ] || { echo "no fuzz build at $bin: skipped"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$src/fuzz/corpus/$name/." "$work/"
# A crash fails the test: libFuzzer's own error exit code (77) is the one ctest reads as "skipped".
# A single allocation of 8 MB or more from a file of at most 64 KB is a reader that trusts a length.
seconds="${FUZZ_SECONDS:-60}"
if [ -n "${2:-}" ] && [ "$seconds" -gt "$2" ]; then seconds="$2"; fi
exec "$bin" "$work" -max_total_time="$seconds" -max_len=65536 -malloc_limit_mb=8 -rss_limit_mb=1024 \
  -timeout=10 -print_final_stats=1 -artifact_prefix="$work/" -error_exitcode=1
