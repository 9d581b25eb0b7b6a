# Sourced by the scripts that build a library for Windows from the sources of Debian's own package.
#   kalvo_deb_src_for PACKAGE=VERSION WORK
# makes `apt-get source PACKAGE=VERSION` work: when no deb-src entry answers for it, one for the machine's
# own Debian or Ubuntu archive is added and the package lists are updated (as root, or through sudo).
kalvo_deb_src_for() {
  local spec=$1 work=$2 sudo=()
  if (cd "$work" && apt-get source --print-uris "$spec" >/dev/null 2>&1); then return 0; fi
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  local src_list=/etc/apt/sources.list.d/kalvo-deb-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | "${sudo[@]}" tee "$src_list" >/dev/null
  elif [ -f /etc/apt/sources.list.d/ubuntu.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/ubuntu.sources | "${sudo[@]}" tee "$src_list" >/dev/null
  else
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      "${sudo[@]}" tee /etc/apt/sources.list.d/kalvo-deb-src.list >/dev/null
  fi
  "${sudo[@]}" apt-get update -q >/dev/null
}
