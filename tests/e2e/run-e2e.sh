#!/usr/bin/env bash
# Runs the end-to-end test binary on a virtual X desktop of its own: Xvfb
# with the stripped openbox configuration. The test starts the compositor
# itself when it needs one.
#   usage: run-e2e.sh TEST_BINARY [gtest args...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
n=$((100 + RANDOM % 400))
while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
export DISPLAY=:$n
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --config-file "$here/openbox-rc.xml" >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
export QT_QPA_PLATFORM=xcb
"$@"
