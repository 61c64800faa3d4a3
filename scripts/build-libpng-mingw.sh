#!/usr/bin/env bash
# Cross-builds a static libpng for mingw-w64 from Debian's source package into
# build/cache/mingw, once per build folder.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$root/scripts/deb-src.sh"

prefix=$root/build/cache/mingw
[ -f "$prefix/lib/libpng16.a" ] && exit 0

ensure_deb_src
work=$root/build/cache/src/libpng
rm -rf "$work" && mkdir -p "$work"
say "fetching Debian's libpng1.6 source package"
fetch_source libpng1.6 "$work"
src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'libpng*' | head -n1)
[ -n "$src" ] || die "libpng source folder not found in $work"

say "cross-building libpng for Windows"
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF \
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
  -DCMAKE_CROSSCOMPILING_EMULATOR= >/dev/null
cmake --build "$work/build" -j "$jobs" >/dev/null
cmake --install "$work/build" >/dev/null
[ -f "$prefix/lib/libpng16.a" ] || die "libpng cross-build did not produce libpng16.a"
say "libpng for Windows is in $prefix"
