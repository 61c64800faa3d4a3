# Shared by the project's scripts: paths, logging and the apt-get helper.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${KESTRELON_JOBS:-$(nproc)}

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

apt_updated=0
# apt_install PKG...: installs whichever of the packages are missing.
apt_install() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if [ $apt_updated -eq 0 ]; then
    say "apt-get update"
    $sudo apt-get update -qq
    apt_updated=1
  fi
  say "installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
