#!/usr/bin/env bash
# The quick listen: installs what is missing, builds everything, synthesises a
# drum loop, renders it through Kestrelon with four characteristic settings
# and writes the WAV files and a plot of each render to out/, then prints the
# levels of every file.
#   scripts/demo.sh [--no-build]   (--no-build: use what dist/linux already holds)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

build=1
for arg in "$@"; do
  case $arg in
    --no-build) build=0 ;;
    *) die "unknown option '$arg' (scripts/demo.sh [--no-build])" ;;
  esac
done

if [ $build -eq 1 ]; then
  [ -n "${KESTRELON_SETUP_DONE:-}" ] || "$root/scripts/setup.sh"
  export KESTRELON_SETUP_DONE=1
  "$root/scripts/build.sh"
fi
command -v gnuplot >/dev/null || die "gnuplot is missing: run scripts/setup.sh (Debian package gnuplot-nox)"

host=${VSTHOST:-$root/dist/linux/vsthost}
plugin=${KESTRELON_PLUGIN:-$root/dist/linux/Kestrelon.so}
[ -x "$host" ] || die "$host is missing: run scripts/build.sh linux"
[ -f "$plugin" ] || die "$plugin is missing: run scripts/build.sh linux"

start=$(date +%s%N)
out=$root/out
mkdir -p "$out"
say "synthesising a drum loop"
"$host" synth-drums "$out/drums.wav" --seconds 4

# name|title|settings (NAME=TEXT, several separated by ';')
renders=(
  "attack-boost|Attack +8: louder hits|Attack=8"
  "attack-cut|Attack -10: softened hits|Attack=-10"
  "sustain-boost|Sustain +8: longer tails|Sustain=8"
  "sustain-cut|Sustain -10: drier, tighter|Sustain=-10"
)

# plot NAME TITLE: input and output waveforms over the gain change in dB.
plot() {
  local name=$1 title=$2 data
  data=$(mktemp "$out/.plot-XXXXXX")
  "$host" plot-data "$out/drums.wav" "$out/$name.wav" "$data"
  gnuplot <<GNUPLOT
set terminal pngcairo size 1200,900 font "sans,10"
set output "$out/$name.png"
set datafile missing "?"
set multiplot layout 3,1 title "Kestrelon: $title (left channel)" font "sans,13"
set lmargin 10
set rmargin 3
set xrange [0:*]
set yrange [-1.05:1.05]
set grid
set key off
set ylabel "input"
plot "$data" using 1:2:3 with filledcurves lc rgb "#707070"
set ylabel "output"
plot "$data" using 1:2:3 with filledcurves lc rgb "#d0d0d0", \\
     "$data" using 1:4:5 with filledcurves lc rgb "#3060c0" fs transparent solid 0.7
set ylabel "gain change (dB)"
set xlabel "time (s)"
set yrange [*:*]
plot 0 with lines lc rgb "#909090" dt 2, "$data" using 1:6 with lines lw 1.5 lc rgb "#c03020"
unset multiplot
GNUPLOT
  rm -f "$data"
}

for entry in "${renders[@]}"; do
  IFS='|' read -r name title settings <<<"$entry"
  args=()
  IFS=';' read -ra list <<<"$settings"
  for s in "${list[@]}"; do args+=(--set "$s"); done
  say "rendering $name ($title)"
  "$host" render "$plugin" "$out/drums.wav" "$out/$name.wav" "${args[@]}"
  plot "$name" "$title"
done

echo
say "levels"
files=("$out/drums.wav")
for entry in "${renders[@]}"; do files+=("$out/${entry%%|*}.wav"); done
"$host" stats "${files[@]}"
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
echo
say "done in $((elapsed_ms / 1000)).$(printf '%03d' $((elapsed_ms % 1000))) s: WAV files and plots are in $out/"
