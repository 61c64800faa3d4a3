#!/bin/sh
# Runs a command with DISPLAY set to a virtual X server of its own, so the X11
# editor's tests run the same on a desktop, in CI without a display and in
# parallel: the server picks a free display itself and says which (-displayfd),
# where xvfb-run -a guesses one and can collide with a server starting beside
# it. The user's own display is never used: the tests move the pointer. The
# server must not reset when its last client leaves: a test connecting during
# the reset would be turned away.
#   with_xvfb.sh COMMAND [ARGS...]
set -u
command -v Xvfb >/dev/null 2>&1 || { echo "error: Xvfb is missing (scripts/setup.sh installs xvfb)" >&2; exit 1; }
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$number" 2>"$number.log" &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -f "$number" "$number.log"' EXIT
tries=0
while [ ! -s "$number" ]; do
  if ! kill -0 $server 2>/dev/null || [ $tries -ge 200 ]; then
    echo "error: the virtual X server did not start:" >&2
    cat "$number.log" >&2
    exit 1
  fi
  tries=$((tries + 1))
  sleep 0.05
done
DISPLAY=:$(head -n1 "$number")
# The benchmark counts the server's processor time too.
KESTRELON_XSERVER_PID=$server
export DISPLAY KESTRELON_XSERVER_PID
"$@"
