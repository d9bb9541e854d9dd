#!/usr/bin/env bash
# Runs the end-to-end scenarios once under each window manager people use
# (openbox, xfwm4 with its compositor, kwin_x11, mutter), each desktop with
# the tint2 task bar, and prints one summary per manager. kwin and mutter
# are big, so they are installed here on first use instead of in setup.sh;
# CI runs them under openbox and xfwm4. -n COUNT runs the whole set COUNT
# times in a row under each manager (never again for a failure) and sums up.
#   usage: scripts/e2e-wm-matrix.sh [-n COUNT] [MANAGER...]
set -uo pipefail
cd "$(dirname "$0")/.."
count=1
if [ "${1:-}" = -n ]; then
  count=${2:-}
  shift 2 || true
fi
if ! [[ $count =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [-n COUNT] [MANAGER...]" >&2
  exit 2
fi
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
  runs=0 passed=0 failed=0 skipped=0 broken=0
  failures=()
  for run in $(seq "$count"); do
    log=$logs/$wm.log
    [ "$count" -eq 1 ] || log=$logs/$wm.$run.log
    echo "matrix: scenarios under $wm, run $run of $count (log: $log)" >&2
    VISTEL_E2E_WM=$wm bash tests/e2e/run-e2e.sh build/tests/vistel-scenarios \
      tests/e2e/scenarios/*.scn >"$log" 2>&1 || status=1
    runs=$((runs + 1))
    # The driver's count, then the cases that failed.
    line=$(grep -E '^[0-9]+ passed, [0-9]+ failed, [0-9]+ skipped' "$log" | tail -n 1)
    if [ -z "$line" ]; then
      broken=$((broken + 1)) status=1
      failures+=("run $run: no result (see $log)")
      continue
    fi
    read -r p f s <<<"$(sed -E 's/^([0-9]+) passed, ([0-9]+) failed, ([0-9]+) skipped.*/\1 \2 \3/' <<<"$line")"
    passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
    while IFS= read -r name; do
      failures+=("run $run: $name")
    done < <(grep -E '^FAIL ' "$log" | sed -E 's/^FAIL +//')
  done
  extra=
  [ "$broken" -eq 0 ] || extra=", $broken without a result"
  summary+=("$(printf '%-8s %d runs: %d passed, %d failed, %d skipped%s' "$wm" "$runs" "$passed" \
    "$failed" "$skipped" "$extra")")
  for f in "${failures[@]}"; do summary+=("         failed in $f"); done
done
printf '%s\n' "${summary[@]}"
exit $status
