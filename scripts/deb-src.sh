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
