#!/usr/bin/env bash
# Builds libical for 64-bit Windows (MinGW-w64) as static libraries, from the sources of the libical that
# Debian ships (the version of the installed libical-dev), and keeps it in a cache folder beside the Qt for
# Windows (scripts/build-qt-windows.sh). Only the C library: no ICU, GLib, GObject introspection, C++ or
# Vala bindings, Berkeley DB, documentation or tests. Its own time zone descriptions (zoneinfo, one .ics
# file per zone) are installed with it, all of them; the Windows build compiles them into the programs.
#   scripts/build-libical-windows.sh          builds it unless a finished one is cached; prints its prefix last
#   scripts/build-libical-windows.sh --print  prints the prefix it would use, builds nothing
# The cache root is $KALVO_QT_CACHE, else ${XDG_CACHE_HOME:-~/.cache}/kalvo. A folder is taken only when
# it holds the stamp written after a finished install; a half-built one is removed and built again.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD

# Bump when the recipe changes in a way the options below do not show.
recipe=1
installed=$(dpkg-query -W -f='${Version}' libical-dev 2>/dev/null || true)
if [ -z "$installed" ]; then
  echo "libical-dev is not installed (scripts/install-deps.sh windows installs it)" >&2
  exit 1
fi
# A rebuild of the binary package (3.0.16-1+b1) comes from the source version 3.0.16-1.
source_package=$(dpkg-query -W -f='${source:Package}' libical-dev)
source_version=$(dpkg-query -W -f='${source:Version}' libical-dev)
upstream=${source_version%-*}

# Release also means NDEBUG: without it libical aborts where it finds no zoneinfo folder of its own.
options=(
  -DCMAKE_BUILD_TYPE=Release
  -DSTATIC_ONLY=ON
  -DUSE_BUILTIN_TZDATA=ON
  -DICAL_GLIB=OFF -DGOBJECT_INTROSPECTION=OFF -DICAL_GLIB_VAPI=OFF -DWITH_CXX_BINDINGS=OFF
  -DICAL_BUILD_DOCS=OFF -DLIBICAL_BUILD_TESTING=OFF
  -DCMAKE_DISABLE_FIND_PACKAGE_ICU=ON -DCMAKE_DISABLE_FIND_PACKAGE_BerkeleyDB=ON
)
key=$(printf '%s\n' "$recipe" "$installed" "${options[@]}" | sha256sum | cut -c1-12)
root=${KALVO_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kalvo}
prefix="$root/libical-$upstream-win64-static-$key"
stamp="$prefix/.kalvo-complete"

if [ "${1:-}" = "--print" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$stamp" ]; then
  echo "libical $upstream for Windows: cached in $prefix" >&2
  echo "$prefix"
  exit 0
fi

started=$SECONDS
work="$root/work-libical-$key"
rm -rf "$prefix" "$work"
mkdir -p "$work"

. "$project/scripts/debian-source.sh"
kalvo_deb_src_for "$source_package=$source_version" "$work"
echo "libical $upstream for Windows: fetching the sources of $source_package $source_version" >&2
origin="Debian's source package"
if ! (cd "$work" && apt-get source -q "$source_package=$source_version" >"$work/fetch.log" 2>&1); then
  # A mirror that has lost the Debian part (the .debian.tar.xz) still serves the upstream tarball, which
  # the package's .dsc names with its checksum: that release is built, without Debian's patches.
  dsc="$work/${source_package}_${source_version#*:}.dsc"
  orig=$(find "$work" -maxdepth 1 -name "${source_package}_${upstream#*:}.orig.tar.*" | head -n1)
  sum=$(awk -v f="$(basename "${orig:-none}")" '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 }
                                                on && $3 == f { print $1 }' "$dsc" 2>/dev/null || true)
  if [ -z "$orig" ] || [ -z "$sum" ] || [ "$(sha256sum "$orig" | cut -d' ' -f1)" != "$sum" ]; then
    cat "$work/fetch.log" >&2
    exit 1
  fi
  echo "libical $upstream for Windows: the Debian part of $source_package $source_version could not be" \
    "fetched; building the upstream release its .dsc names ($(basename "$orig"), checksum checked)" >&2
  tar -xf "$orig" -C "$work"
  origin="the upstream release named by Debian's .dsc, without Debian's patches"
fi
source_dir=$(find "$work" -mindepth 2 -maxdepth 2 -name CMakeLists.txt -path '*/lib*ical*' -printf '%h\n' | head -n1)
[ -n "$source_dir" ] || { echo "apt-get source left no libical folder in $work" >&2; exit 1; }

echo "libical $upstream for Windows: building" >&2
cmake -S "$source_dir" -B "$work/build" -G Ninja -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_TOOLCHAIN_FILE="$project/cmake/mingw-w64-x86_64.cmake" "${options[@]}" >"$work/configure.log" 2>&1 || {
  tail -n 40 "$work/configure.log" >&2
  exit 1
}
cmake --build "$work/build" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" >"$work/build.log" 2>&1 || {
  grep -E -A5 'error|FAILED' "$work/build.log" | head -n 60 >&2
  echo "libical for Windows did not build; the log is $work/build.log" >&2
  exit 1
}
cmake --install "$work/build" >"$work/install.log" 2>&1
# libical installs only some of its zone folders; the others (Etc/GMT+1, US/Eastern, CET, ...) join them.
(cd "$source_dir/zoneinfo" && find . -name '*.ics' -exec cp --parents -t "$prefix/share/libical/zoneinfo" {} +)
echo "$installed ${options[*]} ($origin)" >"$stamp.tmp"
mv "$stamp.tmp" "$stamp"
cd "$root"
rm -rf "$work"
echo "libical $upstream for Windows: built in $((SECONDS - started)) s, cached in $prefix" >&2
echo "$prefix"
