#!/usr/bin/env bash
# Start-up benchmark on a real X server: Xvfb with openbox, xcb platform.
#   usage: bench/startup-xvfb.sh BUILD_DIR [benchmark args...]
set -euo pipefail
build=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
n=$((500 + RANDOM % 400))
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
x=$!
trap 'kill $x $wm 2>/dev/null || true' EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --config-file "$root/tests/e2e/openbox-rc.xml" >/dev/null 2>&1 &
wm=$!
sleep 0.5
QT_QPA_PLATFORM=xcb "$build/bench/startup_bench" "$@"
