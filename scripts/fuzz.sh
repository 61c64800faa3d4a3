#!/usr/bin/env bash
# Fuzzes everything that reads outside data, under AddressSanitizer and UBSan:
# state chunks, host sessions of any requests in any order, PNG images,
# event sequences on the editor, and text.
#   scripts/fuzz.sh [SECONDS]      (default 60 per target)
# Builds the clang tree build/fuzz if needed, runs each target for SECONDS
# with a fixed seed on a copy of its checked-in corpus (the checked-in files
# never grow), prints executions per second and in total, and exits non-zero
# on any crash, leak, sanitizer report or failed check. Crashing inputs are
# kept in build/fuzz/runs/<target>/ as crash-*, leak-*, timeout-* or oom-*.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

seconds=${1:-60}
[[ $seconds =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || die "SECONDS must be a positive whole number, e.g. scripts/fuzz.sh 60"

build=$root/build/fuzz
# target:max_len, largest input each target is given.
targets=(fuzz_chunk:4096 fuzz_dispatcher:8192 fuzz_png:65536 fuzz_editor:4096 fuzz_font:1024)

command -v clang++ >/dev/null || apt_install clang
if [ ! -f "$build/CMakeCache.txt" ]; then
  say "configuring $build"
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTRELON_FUZZ=ON -DKESTRELON_SANITIZE=address,undefined >/dev/null || die "configuring the fuzz tree failed"
fi
say "building the fuzz targets"
cmake --build "$build" -j "${KESTRELON_JOBS:-2}" --target "${targets[@]%%:*}" || die "building the fuzz targets failed"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
results=()
for entry in "${targets[@]}"; do
  target=${entry%%:*}
  max_len=${entry##*:}
  area=${target#fuzz_}
  run=$build/runs/$target
  rm -rf "$run"
  mkdir -p "$run/corpus"
  cp "$root/tests/fuzz/corpus/$area/"* "$run/corpus/"
  say "fuzzing $target for ${seconds}s"
  "$build/tests/fuzz/$target" "$run/corpus" -seed=1 -max_total_time="$seconds" -rss_limit_mb=2048 \
    -max_len="$max_len" -timeout=30 -print_final_stats=1 -artifact_prefix="$run/" >"$run/log" 2>&1
  rc=$?
  execs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$run/log" | grep -oE '[0-9]+$' | tail -n1)
  rate=$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$run/log" | grep -oE '[0-9]+$' | tail -n1)
  verdict=ok
  if [ "$rc" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|fuzz check failed' "$run/log"; then
    verdict="FAILED (exit $rc; log $run/log)"
    # A leak is checked again on its input alone in a fresh process: memory a
    # library keeps once per process (fontconfig's, say) can look lost in the
    # middle of a long run without any input losing anything. A leak its input
    # repeats is a finding; one it does not is reported, whole, and noted.
    leak=$(ls "$run"/leak-* 2>/dev/null | head -n1)
    if [ -n "$leak" ] && ! grep -qE 'ERROR: (AddressSanitizer|libFuzzer)|runtime error:|fuzz check failed' "$run/log" &&
       "$build/tests/fuzz/$target" "$leak" >"$run/leak-again.log" 2>&1 &&
       ! grep -q 'ERROR: LeakSanitizer' "$run/leak-again.log"; then
      verdict="ok (a leak its own input does not repeat; report in $run/log)"
    else
      failed=$((failed + 1))
    fi
    # The whole report: where the memory came from is what tells the two apart.
    sed -n '/ERROR:\|runtime error:\|fuzz check failed/,/SUMMARY:/p' "$run/log" | head -n 120 >&2
    grep -E 'Test unit written' "$run/log" >&2
  fi
  results+=("$(printf '%-16s %10s execs/s %12s execs  %s' "$target" "${rate:-?}" "${execs:-?}" "$verdict")")
done

echo
say "fuzzing summary (${seconds}s per target, seed 1)"
printf '  %s\n' "${results[@]}"
[ "$failed" -eq 0 ] || die "$failed fuzz target(s) failed"
