#!/usr/bin/env bash
# Times a second start that hands its path to the running viewer, from exec
# to exit, against `vistel --version` (start-up of the process alone). The
# running viewer is on the offscreen platform with a private runtime folder.
#   usage: bench/handover.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
build=${1:-build}
rounds=${2:-30}
bin=$(cd "$build" && pwd)/src/app/vistel
pics=$(cd "$(dirname "$0")/../samples" && pwd)
run=$(mktemp -d)
export XDG_RUNTIME_DIR=$run DISPLAY=:bench QT_QPA_PLATFORM=offscreen
QT_QPA_PLATFORM=offscreen "$bin" "$pics" 2>/dev/null &
viewer=$!
trap 'kill $viewer 2>/dev/null; wait $viewer 2>/dev/null; rm -rf "$run"' EXIT
for _ in $(seq 100); do [ -S "$run/vistel/display-:bench" ] && break; sleep 0.1; done

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
time_ms() {
  local s e
  s=$(date +%s%N)
  "$@" >/dev/null
  e=$(date +%s%N)
  echo $(((e - s) / 1000))
}
files=("$pics"/*.jpg)
handover=() version=()
for i in $(seq "$rounds"); do
  handover+=("$(time_ms "$bin" "${files[$((i % ${#files[@]}))]}")")
  version+=("$(time_ms "$bin" --version)")
done
echo "hand-over to the running viewer: median $(printf '%s\n' "${handover[@]}" | median) us over $rounds"
echo "vistel --version (process alone): median $(printf '%s\n' "${version[@]}" | median) us over $rounds"
