#!/usr/bin/env bash
# Runs every test on both platforms: native, native under AddressSanitizer and
# UBSan, the concurrency tests under ThreadSanitizer, and the Windows build under
# wine64 in a virtual X display. Installs and builds whatever is missing first.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
set -e
"$root/scripts/setup.sh"
export KESTRELON_SETUP_DONE=1
# The comma-decimal locale is installed by set-up, so its test may not skip.
export KESTRELON_REQUIRE_LOCALE=1
# The editor's settings file of the native trees lands in the build tree, not
# in the user's own configuration.
export XDG_CONFIG_HOME="$root/build/test-config"
mkdir -p "$XDG_CONFIG_HOME"
"$root/scripts/build.sh" linux windows asan tsan
set +e

summary=()
failed_runs=0
# The layout is part of the tree's rules: an unformatted source fails the run.
say "checking the layout"
if "$root/scripts/check-format.sh"; then
  summary+=("format: every source as .clang-format lays it out")
else
  summary+=("format: FAILED (scripts/check-format.sh lists the files)")
  failed_runs=$((failed_runs + 1))
fi
tests_passed=0
tests_failed=0
# count_tests LOG: adds a CTest log's "N tests failed out of M" to the totals.
count_tests() {
  local counts
  counts=$(grep -oE '[0-9]+ tests failed out of [0-9]+' "$1" | tail -n1 | grep -oE '[0-9]+')
  [ -n "$counts" ] || return 0
  local failed total
  failed=$(echo "$counts" | sed -n 1p); total=$(echo "$counts" | sed -n 2p)
  tests_failed=$((tests_failed + failed)); tests_passed=$((tests_passed + total - failed))
}
# Put in front of ctest, e.g. to give the Windows tests a virtual display.
ctest_prefix=()
# run_suite NAME CTEST-ARGS...: runs one CTest tree and records its counts.
run_suite() {
  local name=$1; shift
  say "testing: $name"
  local log=$root/build/test-$name.log
  "${ctest_prefix[@]}" ctest --output-on-failure "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n1)
  summary+=("$name: ${line:-no tests ran} (exit $rc)")
  count_tests "$log"
  if [ "$rc" -ne 0 ] || [ -z "$line" ]; then failed_runs=$((failed_runs + 1)); fi
}
# run_optional_suite NAME CTEST-ARGS...: as run_suite, but a tree with no test
# of the selected label is not a failure.
run_optional_suite() {
  if ctest -N "${@:2}" 2>/dev/null | grep -q '^Total Tests: 0'; then
    summary+=("$1: no tests selected")
    return 0
  fi
  run_suite "$@"
}

run_suite native --test-dir "$root/build/linux" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite asan --test-dir "$root/build/asan" -j "$jobs"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_optional_suite tsan --test-dir "$root/build/tsan" -L concurrency
# Fuzzing: each parser of outside data for a bounded time with a fixed seed.
say "testing: fuzz"
if "$root/scripts/fuzz.sh" "${KESTRELON_FUZZ_SECONDS:-60}" 2>&1 | tee "$root/build/test-fuzz.log"; then
  summary+=("fuzz: every target ran clean")
else
  summary+=("fuzz: FAILED (see build/test-fuzz.log)")
  failed_runs=$((failed_runs + 1))
fi
# The fuzz tree's own regression run of every checked-in input.
run_optional_suite fuzz-corpus --test-dir "$root/build/fuzz" -L fuzz

# Windows test programs run under wine64 (the tree's test emulator), all in
# one virtual X display and one wine prefix, made here before they start.
"$root/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
# That wine server started without a display and lingers for a while; a test
# that met it could make no window at all. The tests start their own, in Xvfb.
WINEPREFIX=${KESTRELON_WINEPREFIX:-$root/build/wineprefix} /usr/lib/wine/wineserver -w || true
ctest_prefix=(xvfb-run -a)
run_suite windows --test-dir "$root/build/windows" -j 2
ctest_prefix=()

echo
say "summary"
printf '  %s\n' "${summary[@]}"
[ "$failed_runs" -eq 0 ] || say "$failed_runs test run(s) failed or ran no test"
echo "$tests_passed passed, $tests_failed failed"
[ "$failed_runs" -eq 0 ]
