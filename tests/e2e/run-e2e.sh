#!/usr/bin/env bash
# Runs the end-to-end test binary on a virtual X desktop of its own: Xvfb
# with the stripped openbox configuration. The test starts the compositor
# itself when it needs one.
#   usage: run-e2e.sh TEST_BINARY [gtest args...]
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdesktop.sh"
start_virtual_desktop $((100 + RANDOM % 400))
export QT_QPA_PLATFORM=xcb
"$@"
