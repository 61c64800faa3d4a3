#!/usr/bin/env bash
# Kestrelon.lv2 in a real Ardour session, two processes of Ardour's headless
# Lua tool (ardour_session.lua):
#   ardour_test.sh LV2_DIR
# - the first sees the five parameters and the 88-sample latency, records a
#   second of the dummy engine's impulses through the plug-in, loads a
#   preset whose state holds a larger editor (it reaches the plug-in through
#   its state restore: Ardour headless cannot open the editor), sets Attack
#   and saves: the session's copy of the plug-in's state is what the plug-in
#   saved, the larger editor;
# - the second opens the session and finds Attack as it was left, and the
#   plug-in, asked for its state again, still has the larger editor;
# - an export of the session (ardour7-export, a third process) has the
#   recorded impulses at the frames where they were recorded: Ardour
#   compensated the latency the plug-in reports.
# HOME and XDG_CONFIG_HOME point into a folder of the test's own.
set -euo pipefail
lv2dir=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v ardour7-lua >/dev/null || fail "ardour7-lua is missing (scripts/setup.sh installs ardour)"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config LV2_PATH=$lv2dir:$work/presets
mkdir -p "$HOME" "$work/presets/kestrelon-big-editor.lv2"

# The default editor is 340 x 484; this one is 1.25 times that.
cat >"$work/presets/kestrelon-big-editor.lv2/manifest.ttl" <<'EOF'
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix pset: <http://lv2plug.in/ns/ext/presets#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .
<urn:kestrelon-test:big-editor> a pset:Preset ;
  lv2:appliesTo <urn:lumenpathway:kestrelon> ;
  rdfs:label "big editor" ;
  state:state [
    <urn:lumenpathway:editor#viewMode> "0.0"^^xsd:double ;
    <urn:lumenpathway:editor#width> "425.0"^^xsd:double ;
    <urn:lumenpathway:editor#height> "605.0"^^xsd:double
  ] .
EOF

# ardour STEP: runs one step and checks what Ardour saw of the plug-in.
ardour() {
  local out
  out=$(ardour7-lua "$here/ardour_session.lua" "$1" "$work/session" 2>&1) || fail "ardour7-lua $1: $out"
  for line in "parameters: Attack, Sustain, Sensitivity, Output, Clip Output" "latency: 88" "attack: 6.5"; do
    grep -qx "$line" <<<"$out" || fail "ardour7-lua $1 does not show \"$line\": $out"
  done
}
# has_big_editor FILE: the file's state holds the larger editor.
has_big_editor() {
  grep -q 'editor#width> "425.0"^^xsd:double' "$1" && grep -q 'editor#height> "605.0"^^xsd:double' "$1" ||
    fail "$1 has not kept the 425 x 605 editor: $(cat "$1")"
}

ardour create
# The session file names the folder of the plug-in's last saved state.
dir=$(grep -o 'state-dir="[^"]*"' "$work/session/s.ardour" | cut -d'"' -f2) || fail "the session names no plug-in state"
has_big_editor "$(echo "$work"/session/plugins/*/"$dir"/state.ttl)"
ardour reopen
has_big_editor "$HOME/.lv2/Kestrelon_reopened.lv2/reopened.ttl"

# impulses WAV: the frames where the first channel is not zero, sorted as text.
impulses() { sox "$1" -t f32 - 2>/dev/null | od -An -v -tf4 -w$(($(soxi -c "$1" 2>/dev/null) * 4)) | awk '$1 != 0 { print NR - 1 }' | sort; }
ardour7-export -b float -o "$work/export.wav" "$work/session" s >/dev/null 2>&1 || fail "ardour7-export failed"
recorded=$(impulses "$work"/session/interchange/session/audiofiles/*%L.wav)
exported=$(impulses "$work/export.wav")
[ -n "$exported" ] || fail "the export is silent"
# Ardour fades the export in, so the first impulses may come out weaker or
# not at all; none may come out anywhere else.
misplaced=$(comm -13 <(echo "$recorded") <(echo "$exported") | sort -n | head -5 | tr '\n' ' ')
[ -z "$misplaced" ] || fail "the export has impulses at frames $misplaced, which were not recorded there; recorded at $(sort -n <<<"$recorded" | head -5 | tr '\n' ' ')"
[ "$(sort -n <<<"$exported" | tail -1)" = "$(sort -n <<<"$recorded" | tail -1)" ] || fail "the export has lost the last impulse"
echo "Kestrelon.lv2 in an Ardour session: parameters, latency, a value and the editor's size kept, the export aligned"
