# Debian source packages cross-built for Windows (libpng, libsndfile).

# ensure_deb_src: makes sure apt knows Debian's source packages (for apt-get source).
ensure_deb_src() {
  if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    say "adding a deb-src entry for Debian's source packages"
    local list=/etc/apt/sources.list.d/debian.sources
    if [ -f "$list" ] && grep -q '^Types: deb$' "$list"; then
      sed -i 's/^Types: deb$/Types: deb deb-src/' "$list"
    else
      local suite
      suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
      echo "deb-src http://deb.debian.org/debian $suite main" > /etc/apt/sources.list.d/kestrelon-src.list
    fi
    apt-get update -qq
  fi
}

# fetch_source PACKAGE DIR: unpacks Debian's source package into DIR. A mirror may
# have dropped the newest security revision's files, so older listed revisions
# are tried in turn.
fetch_source() {
  local pkg=$1 dir=$2 v
  for v in $(apt-cache showsrc "$pkg" | awk '/^Version:/{print $2}' | sort -Vr | uniq); do
    (cd "$dir" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1) && return 0
    rm -rf "${dir:?}"/*
  done
  die "apt-get source $pkg failed for every listed version"
}

# cross_build_source PACKAGE FOLDER-GLOB WORK PREFIX [CMAKE-ARGS...]: unpacks
# Debian's source package into WORK, then configures it with the project's
# mingw-w64 toolchain, builds it and installs it into PREFIX.
cross_build_source() {
  local pkg=$1 glob=$2 work=$3 prefix=$4 src
  shift 4
  ensure_deb_src
  rm -rf "$work" && mkdir -p "$work"
  say "fetching Debian's $pkg source package"
  fetch_source "$pkg" "$work"
  src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name "$glob" | head -n1)
  [ -n "$src" ] || die "$pkg source folder not found in $work"

  say "cross-building $pkg for Windows"
  cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_CROSSCOMPILING_EMULATOR= "$@" >"$work/configure.log" 2>&1 \
    || die "configuring $pkg failed; see $work/configure.log"
  cmake --build "$work/build" -j "$jobs" >"$work/build.log" 2>&1 \
    || die "building $pkg failed; see $work/build.log"
  cmake --install "$work/build" >/dev/null
}
