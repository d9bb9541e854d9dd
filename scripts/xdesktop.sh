# Sourced by the scripts that need a virtual X desktop: starts Xvfb on a free
# display with a window manager and, when VISTEL_E2E_PANEL=1, a tint2 task
# bar with a system tray along the bottom; stops them all when the calling
# shell exits.
#   start_virtual_desktop FIRST_DISPLAY_NUMBER [openbox|xfwm4|kwin|mutter]
# Exports DISPLAY, DBUS_SESSION_BUS_ADDRESS (the desktop's own session bus),
# VISTEL_E2E_WM, and VISTEL_E2E_COMPOSITED=1 when the manager composites:
# then translucency shows, and screenshots are what the compositor painted.
# The managers read their settings from tests/e2e/desktop/ through a private
# config folder, so nothing of the user's own desktop leaks in.
_vistel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
_vistel_desk=$_vistel_root/tests/e2e/desktop
_vistel_desktop_pids=()
_vistel_desktop_tmp=

stop_virtual_desktop() {
  # Last started first: the panel and the manager go before their X server.
  local i
  for ((i = ${#_vistel_desktop_pids[@]} - 1; i >= 0; i--)); do
    kill "${_vistel_desktop_pids[i]}" 2>/dev/null || true
  done
  # xfconfd may still be saving its channels there for a moment.
  if [ -n "$_vistel_desktop_tmp" ]; then
    rm -rf "$_vistel_desktop_tmp" 2>/dev/null || { sleep 0.5; rm -rf "$_vistel_desktop_tmp"; }
  fi
  _vistel_desktop_pids=()
  _vistel_desktop_tmp=
  if [ "${_vistel_own_runtime:-}" = 1 ]; then unset XDG_RUNTIME_DIR; fi
  _vistel_own_runtime=
}

# Polls a command until it succeeds, for at most ten seconds.
_vistel_wait() {
  local _
  for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# The desktop's session bus. It can start only the services named here
# (xfconfd for xfwm4): kwin then finds no kglobalaccel and binds no global
# keys, and the programs under test find no tray or portal services on it.
_vistel_start_bus() {
  local dir=$_vistel_desktop_tmp/bus s out
  mkdir -p "$dir/services"
  for s in "$@"; do ln -s "/usr/share/dbus-1/services/$s.service" "$dir/services/"; done
  cat >"$dir/session.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>unix:dir=$dir</listen>
  <servicedir>$dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  out=$(XDG_CONFIG_HOME=$_vistel_desktop_tmp/config dbus-daemon \
    --config-file="$dir/session.conf" --fork --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS=${out%%$'\n'*}
  _vistel_desktop_pids+=("${out##*$'\n'}")
}

# kwin_x11 composites with OpenGL when it can (llvmpipe under Xvfb) and
# quietly goes without when it cannot: ask it.
_vistel_kwin_composites() {
  dbus-send --session --print-reply --dest=org.kde.KWin /Compositor \
    org.freedesktop.DBus.Properties.Get string:org.kde.kwin.Compositing string:active |
    grep -q 'boolean true'
}

_vistel_start_wm() {
  local cfg=$_vistel_desktop_tmp/config s keyfile
  case $1 in
    openbox)
      openbox --config-file "$_vistel_desk/openbox-rc.xml" &
      ;;
    xfwm4)
      # Reads its settings from xfconfd, which the bus starts on demand.
      mkdir -p "$cfg/xfce4/xfconf/xfce-perchannel-xml"
      cp "$_vistel_desk/xfwm4.xml" "$_vistel_desk/xfce4-keyboard-shortcuts.xml" \
        "$cfg/xfce4/xfconf/xfce-perchannel-xml/"
      xfwm4 --compositor=on --sm-client-disable &
      ;;
    kwin)
      cp "$_vistel_desk/kwinrc" "$_vistel_desk/kdeglobals" "$cfg/"
      kwin_x11 --replace &
      ;;
    mutter)
      # GSettings from a key file instead of dconf, plus an empty list for
      # every key binding mutter knows.
      keyfile=$cfg/glib-2.0/settings/keyfile
      mkdir -p "$(dirname "$keyfile")"
      cp "$_vistel_desk/mutter-settings.ini" "$keyfile"
      for s in org.gnome.desktop.wm.keybindings org.gnome.mutter.keybindings \
        org.gnome.mutter.wayland.keybindings; do
        echo "[${s//.//}]"
        gsettings list-keys "$s" | sed 's/$/=@as []/'
      done >>"$keyfile"
      GSETTINGS_BACKEND=keyfile mutter --x11 --replace --sm-disable &
      ;;
    *)
      echo "xdesktop: unknown window manager '$1' (openbox, xfwm4, kwin, mutter)" >&2
      return 1
      ;;
  esac
  _vistel_desktop_pids+=($!)
}

# Starts Xvfb on display :$1, its output in $2, and waits until it answers.
# Other test runs on the machine may take a display that looked free just
# before our server does; ours then gives up, and the lock file names the
# other one. Without -noreset the server resets when its last client goes,
# and the probe below is its first: a client that connects during that
# reset (the window manager, right after the probe) is dropped ("Failed to
# open the display").
_vistel_start_xvfb() {
  local pid _
  Xvfb ":$1" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$2" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 1
    if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$1-lock")" = "$pid" ] &&
      DISPLAY=:$1 xdpyinfo >/dev/null 2>&1; then
      _vistel_desktop_pids+=("$pid")
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  return 1
}

# What the desk's programs said, for a start that failed.
_vistel_desk_output() {
  echo "xdesktop: $1; the desk's output:" >&2
  sed 's/^/  /' "$_vistel_desktop_tmp/desktop.log" >&2
  echo "xdesktop: Xvfb's output:" >&2
  sed 's/^/  /' "$_vistel_desktop_tmp/xvfb.log" >&2
}

# After a failed run: which of the desk's programs (Xvfb, the bus, the
# manager, the panel) have ended meanwhile, and what they printed, so a
# manager that died under a case is told apart from a fault of ours.
report_virtual_desktop() {
  local pid gone=0
  [ -n "$_vistel_desktop_tmp" ] || return 0
  for pid in "${_vistel_desktop_pids[@]}"; do
    if ! kill -0 "$pid" 2>/dev/null; then
      gone=1
      echo "xdesktop: a program of the desk (pid $pid) has ended" >&2
    fi
  done
  [ $gone = 1 ] || echo "xdesktop: every program of the desk still runs" >&2
  echo "xdesktop: the end of the desk's output:" >&2
  tail -n 40 "$_vistel_desktop_tmp/desktop.log" | sed 's/^/  /' >&2
  echo "xdesktop: the end of Xvfb's output:" >&2
  tail -n 10 "$_vistel_desktop_tmp/xvfb.log" | sed 's/^/  /' >&2
}

# One desk from display :$1 on: 0 when it runs, 1 when a part of it did not
# come up, 2 when it cannot be made here at all.
_vistel_start_desk() {
  local n=$1 wm=$2 log
  _vistel_desktop_tmp=$(mktemp -d)
  log=$_vistel_desktop_tmp/desktop.log
  : >"$log"
  while :; do
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    _vistel_start_xvfb $n "$_vistel_desktop_tmp/xvfb.log" && break
    if [ $n -ge $(($1 + 50)) ]; then
      _vistel_desk_output "no X server would start on :$1 to :$n"
      return 1
    fi
    n=$((n + 1))
  done
  export DISPLAY=:$n VISTEL_E2E_WM=$wm
  unset VISTEL_E2E_COMPOSITED
  mkdir -p "$_vistel_desktop_tmp/config"
  # A runtime folder of our own when there is none, gone with the desktop.
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    mkdir -m 700 "$_vistel_desktop_tmp/runtime"
    export XDG_RUNTIME_DIR=$_vistel_desktop_tmp/runtime
    _vistel_own_runtime=1
  fi

  case $wm in
    xfwm4) _vistel_start_bus org.xfce.Xfconf ;;
    *) _vistel_start_bus ;;
  esac
  XDG_CONFIG_HOME=$_vistel_desktop_tmp/config _vistel_start_wm "$wm" >"$log" 2>&1 || return 2
  # The manager has taken over once it names itself on the root window.
  if ! _vistel_wait wmctrl -m; then
    _vistel_desk_output "$wm did not take over $DISPLAY within 10 s"
    return 1
  fi
  case $wm in
    xfwm4 | mutter) export VISTEL_E2E_COMPOSITED=1 ;;
    kwin) ! _vistel_wait _vistel_kwin_composites || export VISTEL_E2E_COMPOSITED=1 ;;
  esac

  if [ "${VISTEL_E2E_PANEL:-0}" = 1 ]; then
    XDG_CONFIG_HOME=$_vistel_desktop_tmp/config tint2 -c "$_vistel_desk/tint2rc" >>"$log" 2>&1 &
    _vistel_desktop_pids+=($!)
    if ! _vistel_wait xdotool search --onlyvisible --classname '^tint2$'; then
      _vistel_desk_output "the tint2 panel did not show within 10 s"
      return 1
    fi
  fi
}

# The desk is made of programs that are not ours (Xvfb, a window manager,
# tint2) on a machine shared with other runs: one that does not come up is
# started again, on a new display, a few times at most.
start_virtual_desktop() {
  local first=$1 wm=${2:-openbox} attempt status
  trap stop_virtual_desktop EXIT
  for attempt in 1 2 3; do
    status=0
    _vistel_start_desk $((first + 60 * (attempt - 1))) "$wm" || status=$?
    [ $status -eq 0 ] && return 0
    stop_virtual_desktop
    [ $status -eq 2 ] && return 1
    echo "xdesktop: the desk did not come up (attempt $attempt of 3)" >&2
  done
  return 1
}
