#!/usr/bin/env bash
# Builds the static Qt for 64-bit Windows (MinGW-w64) that kalvo.exe links against, from the sources of
# the Qt that Debian ships, and keeps it in a cache folder outside the source tree. Debian's own Qt of the
# same version serves as the host tools (moc, rcc, uic).
#   scripts/build-qt-windows.sh           builds it unless a finished one is cached; prints its prefix last
#   scripts/build-qt-windows.sh --print   prints the prefix it would use, builds nothing
# The cache root is $KALVO_QT_CACHE, else ${XDG_CACHE_HOME:-~/.cache}/kalvo. A folder is taken only when
# it holds the stamp written after a finished install; a half-built one is removed and built again.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD

# Bump when the recipe changes in a way the options below do not show.
recipe=1
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
if [ -z "$host_version" ]; then
  echo "qt6-base-dev is not installed (scripts/install-deps.sh windows installs it)" >&2
  exit 1
fi
upstream=${host_version%%+*}
upstream=${upstream%%-*}

# Only what Kalvo uses: Core, Gui, Widgets, Network (the single-instance socket, CalDAV over Schannel's
# TLS), Test (the window tests run under Wine against the real windows platform plugin), the windows
# platform plugin and the JPEG and ICO readers for reminder pictures. The tablet event needs wintab.h,
# which Debian's repacked source leaves out. Direct2D stays: without it Qt 6.4's windows plugin refers to
# a DirectWrite font database that QtGui then leaves out, and kalvo.exe does not link; the separate
# Direct2D platform plugin (direct2d1_1), a second copy of the windows plugin, is left out. So are the
# document writers and readers no window uses (PDF, ODF, Markdown).
options=(
  -static -release -optimize-size
  -nomake examples -nomake tests
  -no-opengl -no-dbus -no-openssl -no-icu -no-glib
  -no-feature-tabletevent -no-feature-sql -no-feature-printsupport -no-feature-concurrent
  -no-feature-gif -no-feature-vulkan -no-feature-direct2d1_1
  -no-feature-pdf -no-feature-textodfwriter -no-feature-textmarkdownreader -no-feature-textmarkdownwriter
  -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre
)
key=$(printf '%s\n' "$recipe" "$host_version" "${options[@]}" | sha256sum | cut -c1-12)
root=${KALVO_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kalvo}
prefix="$root/qt-$upstream-win64-static-$key"
stamp="$prefix/.kalvo-complete"

if [ "${1:-}" = "--print" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$stamp" ]; then
  echo "Qt $upstream for Windows: cached in $prefix" >&2
  echo "$prefix"
  exit 0
fi

work="$root/work-$key"
rm -rf "$prefix" "$work"
mkdir -p "$work"

# The sources come through apt; a deb-src entry for the machine's own Debian archive is added if missing.
. "$project/scripts/debian-source.sh"
kalvo_deb_src_for "qt6-base=$host_version" "$work"
echo "Qt $upstream for Windows: fetching the sources of qt6-base $host_version" >&2
(cd "$work" && apt-get source -q "qt6-base=$host_version" >/dev/null)
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
[ -n "$source_dir" ] || { echo "apt-get source left no qt6-base folder in $work" >&2; exit 1; }

# The toolchain is copied beside the Qt it built, so that Qt's own toolchain file never points into a
# checkout that may be gone by the next build.
mkdir -p "$prefix"
cp "$project/cmake/mingw-w64-x86_64.cmake" "$prefix/kalvo-mingw-toolchain.cmake"
cp "$project/cmake/wine-run.sh" "$prefix/wine-run.sh"

echo "Qt $upstream for Windows: configuring (${options[*]})" >&2
mkdir -p "$work/build"
cd "$work/build"
"$source_dir/configure" -prefix "$prefix" \
  -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- -qt-host-path /usr \
  "${options[@]}" -- \
  -G Ninja \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/kalvo-mingw-toolchain.cmake" >"$work/configure.log" 2>&1 || {
  tail -n 60 "$work/configure.log" >&2
  exit 1
}

# Ninja's step counter, one line in fifty, so a person sees the build move without a line per file.
echo "Qt $upstream for Windows: building (about 40 minutes on two cores)" >&2
started=$SECONDS
set +e
cmake --build . --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" 2>&1 | tee "$work/build.log" |
  awk -v start="$started" '
    match($0, /^\[[0-9]+\/[0-9]+\]/) {
      split(substr($0, 2, RLENGTH - 2), n, "/")
      if (n[1] % 50 == 0 || n[1] == n[2]) { printf "  Qt: step %d of %d\n", n[1], n[2]; fflush() }
      next
    }
    /error|FAILED/ { print; fflush() }' >&2
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then
  echo "Qt for Windows did not build; the log is $work/build.log" >&2
  exit 1
fi
cmake --install . >"$work/install.log" 2>&1
echo "$host_version ${options[*]}" >"$stamp.tmp"
mv "$stamp.tmp" "$stamp"
cd "$root"
rm -rf "$work"
echo "Qt $upstream for Windows: built in $(((SECONDS - started) / 60)) min, cached in $prefix" >&2
echo "$prefix"
