#!/usr/bin/env bash
# Runs an end-to-end test binary on a virtual X desktop of its own: Xvfb with
# the window manager named by VISTEL_E2E_WM (openbox, xfwm4, kwin or mutter;
# openbox when unset) and a tint2 task bar with a system tray along the
# bottom (VISTEL_E2E_PANEL=0 leaves it out).
#   usage: [VISTEL_E2E_WM=xfwm4] run-e2e.sh TEST_BINARY [gtest args...]
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdesktop.sh"
export VISTEL_E2E_PANEL=${VISTEL_E2E_PANEL:-1}
# The panel's notification area is where the tray cases look.
export VISTEL_E2E_TRAY=$VISTEL_E2E_PANEL
start_virtual_desktop $((100 + RANDOM % 400)) "${VISTEL_E2E_WM:-openbox}"
export QT_QPA_PLATFORM=xcb
# The desktop layer's trace of what the window manager reported and what was
# asked of it: the driver shows it with a failing case.
export VISTEL_TRACE_DESKTOP=${VISTEL_TRACE_DESKTOP-1}
status=0
"$@" || status=$?
[ $status -eq 0 ] || report_virtual_desktop
exit $status
