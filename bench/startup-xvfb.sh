#!/usr/bin/env bash
# Start-up benchmark on a real X server: Xvfb with openbox, where Vistel and
# the trivial window are started in turns and timed to their first frame.
#   usage: bench/startup-xvfb.sh BUILD_DIR [ROUNDS [VISTEL_PROGRAM...]]
set -euo pipefail
build=$1
shift
source "$(dirname "$0")/../scripts/xdesktop.sh"
start_virtual_desktop $((500 + RANDOM % 400))
"$build/bench/startup_bench" "$@"
