#!/usr/bin/env bash
# Runs a program on a virtual X desktop (Xvfb + openbox + xcompmgr for
# translucency), saves a screenshot of the whole screen once it has painted,
# then closes the program with SIGTERM and tears the desktop down.
#   usage: virtual-desktop.sh PROGRAM SCREENSHOT.png [SECONDS_TO_WAIT]
set -euo pipefail
prog=$1
shot=$2
wait_s=${3:-3}
mkdir -p "$(dirname "$shot")"
source "$(dirname "$0")/xdesktop.sh"
VISTEL_E2E_PANEL=0 start_virtual_desktop 90 # no task bar in the picture
xcompmgr -n >/dev/null 2>&1 &
_vistel_desktop_pids+=($!)
# A plain dark desktop, so that what shows through the device, and any light
# fringe round its outline, is visible. The compositor paints the bare root
# grey whatever xsetroot says, so the flat window of the end-to-end tests
# stands in for the wallpaper when it has been built.
underlay=$_vistel_root/${VISTEL_BUILD_DIR:-build}/tests/vistel-underlay
if [ -x "$underlay" ]; then
  "$underlay" '#2b4560' >/dev/null 2>&1 &
  _vistel_desktop_pids+=($!)
  timeout 10 xdotool search --sync --name vistel-underlay >/dev/null 2>&1 || true
fi

"$prog" &
app=$!
sleep "$wait_s"
import -window root "$shot"
kill -TERM "$app" 2>/dev/null || true
status=0
wait "$app" || status=$?
echo "screenshot: $shot (program exit status $status)"
exit "$status"
