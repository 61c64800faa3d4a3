#!/usr/bin/env bash
# Runs the rude host (vsthost torture) over many seeds on the built plug-in:
# natively, and under wine64 when the Windows build exists. The test command
# runs one seed; this is for a longer soak after changing the plug-in.
#   scripts/torture.sh [SEEDS] [--quick]      (default 20 seeds, from 1)
# Builds build/linux (and uses build/windows if present) with scripts/build.sh
# first; exits non-zero when any seed found a fault or a note, or crashed the tool.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

seeds=${1:-20}
[[ $seeds =~ ^[0-9]+$ ]] && [ "$seeds" -gt 0 ] || die "SEEDS must be a positive whole number, e.g. scripts/torture.sh 20"
quick=()
[ "${2:-}" = --quick ] && quick=(--quick)

"$root/scripts/build.sh" linux || die "building the Linux tree failed"
native=("$root/build/linux/tools/vsthost/vsthost" torture "$root/build/linux/plugin/Kestrelon.so")
windows=()
if [ -f "$root/build/windows/tools/vsthost/vsthost.exe" ] && [ -f "$root/build/windows/plugin/Kestrelon.dll" ]; then
  windows=(xvfb-run -a "$root/scripts/wine-run.sh" "$root/build/windows/tools/vsthost/vsthost.exe" torture
           "$root/build/windows/plugin/Kestrelon.dll")
fi

failed=0
for ((seed = 1; seed <= seeds; seed++)); do
  for platform in native windows; do
    if [ "$platform" = native ]; then cmd=("${native[@]}"); else cmd=("${windows[@]}"); fi
    [ ${#cmd[@]} -gt 0 ] || continue
    # Strict: the plug-in keeps the conventions the rude host only notes in others'.
    log="$root/build/torture-$platform-$seed.log"
    "${cmd[@]}" --seed "$seed" --strict "${quick[@]}" >"$log" 2>&1
    rc=$?
    line=$(grep '^torture:' "$log" | tail -n1)
    echo "$platform seed $seed: ${line:-no summary (exit $rc)}"
    if [ "$rc" -ne 0 ]; then
      failed=$((failed + 1))
      grep -E 'FAULT|NOTE|^vsthost:' "$log" | head -n 10
    fi
  done
done
[ ${#windows[@]} -gt 0 ] || say "no Windows build in build/windows: run scripts/build.sh windows for the wine runs"
[ "$failed" -eq 0 ] || die "$failed torture run(s) failed"
say "every torture run passed"
