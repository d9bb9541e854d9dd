# Sourced by the scripts that need a virtual X desktop: starts Xvfb on a
# free display with the stripped openbox configuration, exports DISPLAY, and
# stops both when the calling shell exits.
#   start_virtual_desktop FIRST_DISPLAY_NUMBER
_vistel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
_vistel_desktop_pids=()

stop_virtual_desktop() {
  for p in "${_vistel_desktop_pids[@]}"; do kill "$p" 2>/dev/null || true; done
}

start_virtual_desktop() {
  local n=$1
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  export DISPLAY=:$n
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
  trap stop_virtual_desktop EXIT
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  _vistel_desktop_pids+=($!)
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox --config-file "$_vistel_root/tests/e2e/openbox-rc.xml" >/dev/null 2>&1 &
  _vistel_desktop_pids+=($!)
  sleep 0.5
}
