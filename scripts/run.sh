#!/usr/bin/env bash
# Builds Vistel and starts it in the bundled sample-pictures folder.
# Without a display it starts a virtual X server with a window manager,
# saves a screenshot of the device, says where, and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
root=$(pwd)
bin=$root/build/src/app/vistel
cd "$root/samples"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin"
fi
exec bash "$root/scripts/virtual-desktop.sh" "$bin" "$root/out/vistel-screenshot.png"
