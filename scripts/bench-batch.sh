#!/usr/bin/env bash
# Speed of batch rendering: 200 one-second stereo 44.1 kHz files through
# Kestrelon with vsthost render --out-dir, with --jobs 1 against --jobs 2 in the
# same run (goal: at least 1.7x faster with two jobs on a 2-core machine), and
# a batch of one file against the single-file render of it (goal: no slower).
# Runs of the two sides alternate, so that other load on the machine falls on
# both alike; the medians count.
#   scripts/bench-batch.sh [--no-build] [RUNS]   (RUNS: timed runs of each side, default 5;
#                                                 the one-file comparison runs 4 x RUNS of each)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

build=1
runs=5
for arg in "$@"; do
  case $arg in
    --no-build) build=0 ;;
    ''|*[!0-9]*) die "unknown argument '$arg' (scripts/bench-batch.sh [--no-build] [RUNS])" ;;
    *) runs=$arg ;;
  esac
done
[ "$runs" -ge 1 ] || die "RUNS must be at least 1"
if [ $build -eq 1 ]; then
  "$root/scripts/build.sh" linux
fi
host=${VSTHOST:-$root/dist/linux/vsthost}
plugin=${KESTRELON_PLUGIN:-$root/dist/linux/Kestrelon.so}
[ -x "$host" ] || die "$host is missing: run scripts/build.sh linux"
[ -f "$plugin" ] || die "$plugin is missing: run scripts/build.sh linux"

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrelon-batch.XXXXXX")
trap 'rm -rf "$work"' EXIT
files=200
mkdir -p "$work/in"
# Twenty different loops (their lengths differ by a sample or so, so that no
# two files are the same), each used ten times.
for ((k = 0; k < 20; k++)); do
  "$host" synth-drums "$work/loop$k.wav" --seconds "1.0000$k" >/dev/null
done
for ((i = 0; i < files; i++)); do
  cp "$work/loop$((i % 20)).wav" "$work/in/$(printf 'take%03d.wav' "$i")"
done
inputs=("$work"/in/*.wav)

# time_ms CMD...: wall-clock milliseconds of one run, output discarded.
time_ms() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>"$work/stderr" || { cat "$work/stderr" >&2; die "failed: $*"; }
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
# median LIST...: the middle value.
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
# ratio A B: A / B with two decimals, in integer arithmetic.
ratio() { local a=$1 b=$2; [ "$b" -gt 0 ] || b=1; echo "$(( a / b )).$(printf '%02d' $(( (a * 100 / b) % 100 )))"; }
goal() { if [ "$1" -ge "$2" ]; then echo "goal met"; else echo "goal MISSED"; fi; }

say "batch of $files one-second files, --jobs 1 against --jobs 2, alternating ($runs runs each)"
"$host" render "$plugin" "${inputs[@]}" --out-dir "$work/warm" >/dev/null
one=() two=()
for ((r = 0; r < runs; r++)); do
  rm -rf "$work/out1" "$work/out2"
  one+=("$(time_ms "$host" render "$plugin" "${inputs[@]}" --out-dir "$work/out1" --jobs 1)")
  two+=("$(time_ms "$host" render "$plugin" "${inputs[@]}" --out-dir "$work/out2" --jobs 2)")
done
cmp -s "$work/out1/take007.wav" "$work/out2/take007.wav" || die "--jobs 1 and --jobs 2 wrote different files"
one_ms=$(median "${one[@]}")
two_ms=$(median "${two[@]}")

small=$((4 * runs))
say "one file: a batch of one against the single-file render, alternating ($small runs each)"
batch=() single=()
for ((r = 0; r < small; r++)); do
  rm -rf "$work/one" "$work/single.wav"
  batch+=("$(time_ms "$host" render "$plugin" "${inputs[0]}" --out-dir "$work/one" --jobs 1)")
  single+=("$(time_ms "$host" render "$plugin" "${inputs[0]}" "$work/single.wav")")
done
cmp -s "$work/one/take000.wav" "$work/single.wav" || die "the batch of one and the single render differ"
batch_ms=$(median "${batch[@]}")
single_ms=$(median "${single[@]}")

echo
printf '%-40s %6s ms   (runs: %s)\n' "--jobs 1, $files files (median)" "$one_ms" "${one[*]}"
printf '%-40s %6s ms   (runs: %s)\n' "--jobs 2, $files files (median)" "$two_ms" "${two[*]}"
printf '%-40s %6sx     (%s: at least 1.7x)\n' "speed-up of two jobs" "$(ratio "$one_ms" "$two_ms")" \
  "$(goal $((one_ms * 100 / (two_ms > 0 ? two_ms : 1))) 170)"
printf '%-40s %6s ms   (runs: %s)\n' "batch of one file (median)" "$batch_ms" "${batch[*]}"
printf '%-40s %6s ms   (runs: %s)\n' "single-file render (median)" "$single_ms" "${single[*]}"
printf '%-40s %6sx     (%s: at most 1.00x)\n' "batch of one over single render" "$(ratio "$batch_ms" "$single_ms")" \
  "$(goal $((single_ms * 100 / (batch_ms > 0 ? batch_ms : 1))) 100)"
