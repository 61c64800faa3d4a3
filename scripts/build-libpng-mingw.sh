#!/usr/bin/env bash
# Cross-builds a static libpng for mingw-w64 from Debian's source package into
# build/cache/mingw, once per build folder.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$root/scripts/debian-source.sh"

prefix=$root/build/cache/mingw
[ -f "$prefix/lib/libpng16.a" ] && exit 0

cross_build_source libpng1.6 'libpng*' "$root/build/cache/src/libpng" "$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
[ -f "$prefix/lib/libpng16.a" ] || die "libpng cross-build did not produce libpng16.a"
say "libpng for Windows is in $prefix"
