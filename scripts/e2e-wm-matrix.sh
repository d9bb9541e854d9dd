#!/usr/bin/env bash
# Runs the end-to-end scenarios once under each window manager people use
# (openbox, xfwm4 with its compositor, kwin_x11, mutter), each desktop with
# the tint2 task bar, and prints one summary per manager. kwin and mutter
# are big, so they are installed here on first use instead of in setup.sh;
# CI runs them under openbox and xfwm4.
#   usage: scripts/e2e-wm-matrix.sh [MANAGER...]
set -uo pipefail
cd "$(dirname "$0")/.."
managers=("$@")
[ ${#managers[@]} -gt 0 ] || managers=(openbox xfwm4 kwin mutter)

need=()
for wm in "${managers[@]}"; do
  case $wm in
    kwin) command -v kwin_x11 >/dev/null || need+=(kwin-x11) ;;
    mutter) command -v mutter >/dev/null || need+=(mutter) ;;
  esac
done
command -v gsettings >/dev/null || need+=(libglib2.0-bin)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "matrix: installing ${need[*]}" >&2
  $SUDO apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    "${need[@]}" >/dev/null || exit 1
fi
logs=build/e2e-matrix
mkdir -p "$logs"
bash scripts/build.sh >"$logs/build.log" 2>&1 || { tail -n 30 "$logs/build.log"; exit 1; }
export VISTEL_BIN=$PWD/build/src/app/vistel VISTEL_UNDERLAY=$PWD/build/tests/vistel-underlay
export VISTEL_SAMPLES=$PWD/samples XDG_CACHE_HOME=$PWD/build/xdg-cache
status=0
summary=()
for wm in "${managers[@]}"; do
  echo "matrix: scenarios under $wm (log: $logs/$wm.log)" >&2
  VISTEL_E2E_WM=$wm bash tests/e2e/run-e2e.sh build/tests/vistel-scenarios \
    tests/e2e/scenarios/*.scn >"$logs/$wm.log" 2>&1 || status=1
  # The driver's count, then the cases that failed.
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$logs/$wm.log" | tail -n 1)
  failed=$(grep -E '^FAIL ' "$logs/$wm.log" | sed -E 's/^FAIL +//' | tr '\n' ';')
  summary+=("$(printf '%-8s %s%s' "$wm" "${line:-no result}" "${failed:+; failed: $failed}")")
done
printf '%s\n' "${summary[@]}"
exit $status
