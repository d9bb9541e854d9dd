#!/usr/bin/env bash
# Start-up benchmark on a real X server: Xvfb with openbox, xcb platform.
#   usage: bench/startup-xvfb.sh BUILD_DIR [benchmark args...]
set -euo pipefail
build=$1
shift
source "$(dirname "$0")/../scripts/xdesktop.sh"
start_virtual_desktop $((500 + RANDOM % 400))
QT_QPA_PLATFORM=xcb "$build/bench/startup_bench" "$@"
