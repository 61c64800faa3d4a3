#!/usr/bin/env bash
# Installs everything the build and the tests need; safe to run again.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

apt_install build-essential cmake ninja-build pkg-config git ca-certificates \
  googletest libgtest-dev libgmock-dev libbenchmark-dev \
  libpng-dev zlib1g-dev libsndfile1-dev \
  libfreetype-dev libfontconfig-dev fonts-liberation2 \
  clang libclang-rt-14-dev clang-format locales \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev \
  wine64 xvfb xauth \
  libxcb1-dev libxcb-shm0-dev libxcb-xtest0-dev libxcb-res0-dev \
  gnuplot-nox sox dpkg-dev \
  lv2-dev liblilv-dev lilv-utils lv2file lv2proc sordi jalv jackd2 ardour \
  zam-plugins

# A comma-decimal locale, so the tests can prove display strings ignore the host's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  say "generating the de_DE.UTF-8 locale"
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# libpng (and later libsndfile) for Windows come from Debian's source packages,
# cross-built once into build/cache/mingw.
"$root/scripts/build-libpng-mingw.sh"
"$root/scripts/build-sndfile-mingw.sh"
say "setup complete"
