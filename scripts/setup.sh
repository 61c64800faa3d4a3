#!/usr/bin/env bash
# Installs everything the build and the tests need; safe to run again.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

apt_install build-essential cmake ninja-build pkg-config git ca-certificates \
  googletest libgtest-dev libgmock-dev libbenchmark-dev \
  libpng-dev zlib1g-dev libsndfile1-dev \
  clang libclang-rt-14-dev locales \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev \
  wine64 xvfb xauth \
  gnuplot-nox sox dpkg-dev

# libpng (and later libsndfile) for Windows come from Debian's source packages,
# cross-built once into build/cache/mingw.
"$root/scripts/build-libpng-mingw.sh"
if [ -x "$root/scripts/build-sndfile-mingw.sh" ]; then
  "$root/scripts/build-sndfile-mingw.sh"
fi
say "setup complete"
