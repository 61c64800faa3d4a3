#!/usr/bin/env bash
# Kestrelon.lv2 in Debian's own LV2 tools, against the VST 2.4 build:
#   hosts_test.sh VSTHOST VST_PLUGIN LV2_DIR
# - lv2apply runs one frame per run and lv2file 512 frames per run (with
#   the last run padded): each render equals vsthost render's float path in
#   blocks of the same size, bit for bit, at 44.1 and 96 kHz;
# - lv2info shows every port; sord_validate finds the descriptions valid.
set -euo pipefail
vsthost=$1 vst=$2 lv2dir=$(cd "$3" && pwd)  # lilv takes only absolute paths
uri=urn:lumenpathway:kestrelon
export LV2_PATH=$lv2dir
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The audio bytes of a WAV file: everything from the data chunk on, so two
# writers' headers may differ.
samples() { od -An -v -tx1 "$1" | tr -d ' \n' | sed 's/.*64617461\(........\)//'; }

for rate in 44100 96000; do
  sox -n -r $rate -c 2 -e floating-point -b 32 "$work/in.wav" \
    synth 0.25 pluck C2 pluck G3 : synth 0.25 noise gain -12 : synth 0.2 square 220 gain -3 fade 0 0.2 0.15
  sets=(--set Attack=6.3 --set Sustain=-4.2 --set Sensitivity=0.8 --set Output=1.7 --set "Clip Output=off")
  "$vsthost" render "$vst" "$work/in.wav" "$work/vst1.wav" --float --no-latency-compensation --block 1 "${sets[@]}" >/dev/null
  "$vsthost" render "$vst" "$work/in.wav" "$work/vst512.wav" --float --no-latency-compensation --block 512 "${sets[@]}" >/dev/null
  lv2apply -i "$work/in.wav" -o "$work/apply.wav" -c attack 6.3 -c sustain -4.2 -c sensitivity 0.8 -c output 1.7 \
    -c clip_output 0 $uri 2>/dev/null
  # lv2file limits what it writes to +-1 unless told not to; the effect's own
  # clipping is off here, so some samples are louder.
  lv2file --ignore-clipping -i "$work/in.wav" -o "$work/file.wav" -p attack:6.3 -p sustain:-4.2 -p sensitivity:0.8 -p output:1.7 \
    -p clip_output:0 $uri >/dev/null 2>&1
  [ "$(samples "$work/vst1.wav")" = "$(samples "$work/apply.wav")" ] || fail "lv2apply at $rate Hz differs from vsthost --block 1"
  [ "$(samples "$work/vst512.wav")" = "$(samples "$work/file.wav")" ] || fail "lv2file at $rate Hz differs from vsthost --block 512"
  # A render that changed nothing would pass the comparison too.
  [ "$(samples "$work/in.wav")" != "$(samples "$work/apply.wav")" ] || fail "the render left the input as it was"
done

info=$(lv2info $uri 2>/dev/null)
for port in "in_l" "in_r" "out_l" "out_r" "attack" "sustain" "sensitivity" "output" "clip_output" "latency" \
            "attack_meter" "sustain_meter" "clip_meter"; do
  grep -q "Symbol: *$port\$" <<<"$info" || fail "lv2info shows no port $port"
done
grep -q "Has latency: *yes, reported by port 9" <<<"$info" || fail "lv2info: no latency port"
grep -q "state#interface" <<<"$info" || fail "lv2info: no state interface"
[ "$(grep -c 'Symbol:' <<<"$info")" = 13 ] || fail "lv2info: $(grep -c 'Symbol:' <<<"$info") ports, not 13"

schemas=/usr/lib/lv2
report=$(sord_validate "$schemas"/schemas.lv2/*.ttl "$schemas"/{core,units,port-props,state,ui,options,buf-size,urid,atom,instance-access}.lv2/*.ttl \
  "$lv2dir"/Kestrelon.lv2/*.ttl 2>&1) || fail "sord_validate: $report"
grep -q "Found 0 errors" <<<"$report" || fail "sord_validate: $report"
echo "Kestrelon.lv2 in lv2apply, lv2file, lv2info and sord_validate: as expected"
