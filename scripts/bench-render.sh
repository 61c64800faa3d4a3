#!/usr/bin/env bash
# Speed of a whole render command: a 60-second stereo 44.1 kHz drum loop
# through Kestrelon with vsthost, and the same file through Calf's Transient
# Designer with lv2apply as the baseline. Prints the real-time factor of each
# and their ratio against the goals (400x real time, 25x lv2apply).
#   scripts/bench-render.sh [--no-build] [RUNS]   (RUNS: timed runs each, default 5; the median counts)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

build=1
runs=5
for arg in "$@"; do
  case $arg in
    --no-build) build=0 ;;
    ''|*[!0-9]*) die "unknown argument '$arg' (scripts/bench-render.sh [--no-build] [RUNS])" ;;
    *) runs=$arg ;;
  esac
done
[ "$runs" -ge 1 ] || die "RUNS must be at least 1"

# Calf and lilv are the baseline only; they are installed here, not by setup.
apt_install calf-plugins lilv-utils
if [ $build -eq 1 ]; then
  "$root/scripts/build.sh" linux
fi
host=${VSTHOST:-$root/dist/linux/vsthost}
plugin=${KESTRELON_PLUGIN:-$root/dist/linux/Kestrelon.so}
[ -x "$host" ] || die "$host is missing: run scripts/build.sh linux"
[ -f "$plugin" ] || die "$plugin is missing: run scripts/build.sh linux"
calf=http://calf.sourceforge.net/plugins/TransientDesigner
lv2info "$calf" >/dev/null 2>&1 || die "Calf's Transient Designer is not installed as an LV2 plug-in"

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrelon-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$host" synth-drums "$work/in.wav" --seconds 60 >/dev/null
seconds=60

# time_ms CMD...: wall-clock milliseconds of one run, output discarded.
time_ms() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>"$work/stderr" || { cat "$work/stderr" >&2; die "failed: $*"; }
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
# median_ms OUT CMD...: the median of $runs timed runs writing OUT, after one
# untimed warm-up. OUT is removed before each run: a render makes a new file,
# and replacing one costs a file-system flush that is not the render's doing.
median_ms() {
  local out=$1; shift
  "$@" >/dev/null 2>&1 || true
  local times=() i
  for ((i = 0; i < runs; i++)); do
    rm -f "$out"
    times+=("$(time_ms "$@")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}
# ratio A B: A / B with two decimals, in integer arithmetic.
ratio() { local a=$1 b=$2; [ "$b" -gt 0 ] || b=1; echo "$(( a / b )).$(printf '%02d' $(( (a * 100 / b) % 100 )))"; }

say "vsthost render: $seconds s stereo 44.1 kHz through Kestrelon ($runs runs)"
vst_ms=$(median_ms "$work/kestrelon.wav" "$host" render "$plugin" "$work/in.wav" "$work/kestrelon.wav" --set Attack=6 --set Sustain=-4)
say "lv2apply: the same file through Calf Transient Designer ($runs runs)"
lv2_ms=$(median_ms "$work/calf.wav" lv2apply -i "$work/in.wav" -o "$work/calf.wav" -c attack_boost 0.5 -c release_boost -0.5 "$calf")

vst_rt=$(ratio $((seconds * 1000)) "$vst_ms")
lv2_rt=$(ratio $((seconds * 1000)) "$lv2_ms")
speedup=$(ratio "$lv2_ms" "$vst_ms")
goal() { if [ "$1" -ge "$2" ]; then echo "goal met"; else echo "goal MISSED"; fi; }
echo
printf '%-34s %8s ms  %10sx real time  (%s: at least 400x)\n' "vsthost + Kestrelon (median)" "$vst_ms" "$vst_rt" \
  "$(goal $((seconds * 1000 * 100 / (vst_ms > 0 ? vst_ms : 1))) 40000)"
printf '%-34s %8s ms  %10sx real time\n' "lv2apply + Calf Transient Designer" "$lv2_ms" "$lv2_rt"
printf '%-34s %8sx                           (%s: at least 25x)\n' "vsthost speed-up over lv2apply" "$speedup" \
  "$(goal $((lv2_ms * 100 / (vst_ms > 0 ? vst_ms : 1))) 2500)"
