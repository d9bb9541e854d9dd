#!/usr/bin/env bash
# Runs the end-to-end tests once under each window manager people use
# (openbox, xfwm4 with its compositor, kwin_x11, mutter), each desktop with
# the tint2 task bar, and prints one summary per manager. kwin and mutter
# are big, so they are installed here on first use instead of in setup.sh;
# CI runs the tests under openbox only.
#   usage: scripts/e2e-wm-matrix.sh [MANAGER...]
#   VISTEL_E2E_TESTS=REGEX picks the ctest tests (default: all e2e ones).
set -uo pipefail
cd "$(dirname "$0")/.."
managers=("$@")
[ ${#managers[@]} -gt 0 ] || managers=(openbox xfwm4 kwin mutter)
tests=${VISTEL_E2E_TESTS:-'^e2e\.'}

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
status=0
summary=()
for wm in "${managers[@]}"; do
  echo "matrix: end-to-end tests under $wm (log: $logs/$wm.log)" >&2
  VISTEL_E2E_WM=$wm ctest --test-dir build -R "$tests" --output-on-failure >"$logs/$wm.log" 2>&1 ||
    status=1
  # ctest's own count, then the failed test cases that gtest named.
  line=$(grep -E 'tests passed, [0-9]+ tests failed' "$logs/$wm.log" | tail -n 1)
  failed=$(grep -E '^\[  FAILED  \] [A-Za-z_0-9]+\.[A-Za-z_0-9]+ \(' "$logs/$wm.log" |
    sed -E 's/^\[  FAILED  \] ([^ ]+).*/\1/' | sort -u | tr '\n' ' ')
  summary+=("$(printf '%-8s %s%s' "$wm" "${line:-no ctest result}" "${failed:+; failed: $failed}")")
done
printf '%s\n' "${summary[@]}"
exit $status
