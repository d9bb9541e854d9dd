#!/usr/bin/env bash
# Runs a program on a virtual X desktop (Xvfb + openbox + xcompmgr for
# translucency), saves a screenshot of the whole screen once it has painted,
# then closes the program with SIGTERM and tears the desktop down.
#   usage: virtual-desktop.sh PROGRAM SCREENSHOT.png [SECONDS_TO_WAIT]
set -euo pipefail
prog=$1
shot=$2
wait_s=${3:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$(dirname "$shot")"

# Pick a free display number.
n=90
while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
export DISPLAY=:$n
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --config-file "$root/tests/e2e/openbox-rc.xml" >/dev/null 2>&1 &
pids+=($!)
xcompmgr -n >/dev/null 2>&1 &
pids+=($!)
# A grey desktop with a pattern, so that what shows through the device is visible.
xsetroot -solid '#5f7f9f' 2>/dev/null || true
sleep 0.5

"$prog" &
app=$!
sleep "$wait_s"
import -window root "$shot"
kill -TERM "$app" 2>/dev/null || true
status=0
wait "$app" || status=$?
echo "screenshot: $shot (program exit status $status)"
exit "$status"
