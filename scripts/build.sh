#!/usr/bin/env bash
# Configures and builds a tree: linux (default: linux and windows), windows,
# asan (AddressSanitizer + UBSan) or tsan (ThreadSanitizer). Products land in dist/.
#   scripts/build.sh [linux|windows|asan|tsan]...
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# configure_and_build TREE [CMAKE-ARGS...] [-- BUILD-TARGET]
configure_and_build() {
  local tree=$1; shift
  local dir=$root/build/$tree args=() target=()
  while [ $# -gt 0 ]; do
    if [ "$1" = -- ]; then target=(--target "$2"); break; fi
    args+=("$1"); shift
  done
  say "building $tree"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${args[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs" "${target[@]}"
}

# copy_product TREE FILE DEST: places a built plug-in or tool in dist/ if it was built.
copy_product() {
  local src
  src=$(find "$root/build/$1" -name "$2" -type f -not -path '*/CMakeFiles/*' 2>/dev/null | head -n1)
  [ -n "$src" ] || return 0
  mkdir -p "$root/dist/$3"
  cp -f "$src" "$root/dist/$3/"
}

# A fresh machine gets its packages here, so this one command is enough.
[ -n "${KESTRELON_SETUP_DONE:-}" ] || "$root/scripts/setup.sh"
export KESTRELON_SETUP_DONE=1

trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=(linux windows)
for tree in "${trees[@]}"; do
  case $tree in
    linux)
      configure_and_build linux
      copy_product linux Kestrelon.so linux
      copy_product linux Kestrelon.clap linux
      copy_product linux vsthost linux
      # The LV2 bundle goes whole: descriptions and binaries side by side.
      if [ -d "$root/build/linux/lv2/Kestrelon.lv2" ]; then
        rm -rf "$root/dist/linux/Kestrelon.lv2"
        mkdir -p "$root/dist/linux"
        cp -R "$root/build/linux/lv2/Kestrelon.lv2" "$root/dist/linux/"
      fi ;;
    windows)
      "$root/scripts/build-libpng-mingw.sh"
      "$root/scripts/build-sndfile-mingw.sh"
      configure_and_build windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
      copy_product windows Kestrelon.dll windows
      copy_product windows Kestrelon.clap windows
      copy_product windows vsthost.exe windows ;;
    asan) configure_and_build asan -DKESTRELON_SANITIZE=address,undefined ;;
    # Only the threaded tests run under ThreadSanitizer, so only they are built.
    tsan) configure_and_build tsan -DKESTRELON_SANITIZE=thread -- concurrency_tests ;;
    *) die "unknown tree '$tree' (linux, windows, asan or tsan)" ;;
  esac
done
