#!/usr/bin/env bash
# Cross-builds a static libsndfile for mingw-w64 from Debian's source package
# into build/cache/mingw, once per build folder. The Windows vsthost reads and
# writes WAV, AIFF and the other built-in formats with it; the external codecs
# (FLAC, Ogg, Opus, MPEG) are left out so nothing but system DLLs is needed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$root/scripts/debian-source.sh"

prefix=$root/build/cache/mingw
built() { [ -f "$prefix/lib/libsndfile.a" ] && [ -f "$prefix/include/sndfile.h" ]; }
built && exit 0

# Set-up and build scripts may run this at the same time; one builds, the
# other waits and then finds the library in place.
mkdir -p "$root/build/cache"
exec 9>"$root/build/cache/sndfile-mingw.lock"
flock 9
built && exit 0

command -v x86_64-w64-mingw32-gcc-posix >/dev/null || die "mingw-w64 is missing: run scripts/setup.sh first"
# The clipping probes are run-time checks; x86-64 clips neither way, which is
# what they would find under wine, so they are answered here instead of run.
cross_build_source libsndfile 'libsndfile*' "$root/build/cache/src/libsndfile" "$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF \
  -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_REGTEST=OFF \
  -DENABLE_CPACK=OFF -DENABLE_PACKAGE_CONFIG=ON -DINSTALL_PKGCONFIG_MODULE=ON \
  -DCPU_CLIPS_POSITIVE=0 -DCPU_CLIPS_NEGATIVE=0
[ -f "$prefix/lib/libsndfile.a" ] || die "libsndfile cross-build did not produce libsndfile.a"
say "libsndfile for Windows is in $prefix"
