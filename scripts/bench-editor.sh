#!/usr/bin/env bash
# The editor's costs in one run per platform (for information under Wine):
# the time from effEditOpen to the first frame on screen, and the CPU an open
# editor takes per second of wall time, idle and while audio moves its meters,
# each against the same host with the editor closed. Builds nothing: run
# scripts/build.sh first.
#   scripts/bench-editor.sh [SECONDS]   (default 10 per measurement)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
seconds=${1:-10}
linux=$root/build/linux
windows=$root/build/windows
# A settings file of the measurement's own: the editor at scale 1.0.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT

if [ -x "$linux/tools/vsthost/vsthost" ] && [ -f "$linux/plugin/Kestrelon.so" ]; then
  say "Linux, X11 editor under Xvfb"
  XDG_CONFIG_HOME=$config "$root/tests/graphics/with_xvfb.sh" \
    "$linux/tools/vsthost/vsthost" edit "$linux/plugin/Kestrelon.so" --measure "$seconds"
fi
if [ -f "$windows/tools/vsthost/vsthost.exe" ] && [ -f "$windows/plugin/Kestrelon.dll" ]; then
  say "Windows build under wine64 in Xvfb"
  to_wine() { echo "Z:${1//\//\\}"; }
  # The prefix's own settings file: gone, so the editor opens at scale 1.0.
  rm -f "${KESTRELON_WINEPREFIX:-$root/build/wineprefix}"/drive_c/users/*/Documents/"Lumen Pathway"/Kestrelon/Settings.ini
  xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/wine-run.sh" "$windows/tools/vsthost/vsthost.exe" \
    edit "$(to_wine "$windows/plugin/Kestrelon.dll")" --measure "$seconds"
fi
