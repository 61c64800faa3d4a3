#!/usr/bin/env bash
# Runs a Windows program under wine64 with the project's own prefix, quietly.
# CTest calls it for every test of the Windows tree; anyone can call it by hand.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${KESTRELON_WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=/usr/lib/wine/wine64
if [ ! -d "$WINEPREFIX" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
# Wine links the user's Documents, Desktop and the other shell folders to the
# Unix home folder. Programs under test write there (the editor keeps its
# settings file in Documents), so each becomes a real folder of the prefix:
# nothing of a test reaches the home folder, and tests find the prefix as they
# left it. Cheap enough to check on every run, which mends older prefixes too.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$link" ]; then
    rm -f "$link" && mkdir -p "$link" || true
  fi
done
exec "$wine" "$@"
