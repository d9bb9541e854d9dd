#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over the program's own
# sources (src/, with their headers) from the compile database of a
# configured build folder, one file per core at a time. Any finding fails;
# the findings are printed.
#   usage: scripts/check-tidy.sh [BUILD_DIR]   (build/ by default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
src="^$PWD/src/"
log=$build/clang-tidy.log
if run-clang-tidy -p "$build" -j "$(nproc)" -quiet -header-filter="$src" "$src" >"$log" 2>&1; then
  echo "clang-tidy: $(grep -c '^clang-tidy' "$log") files of src/ clean"
else
  # The findings with their context, without the per-file command lines.
  grep -v -E '^(clang-tidy|[0-9]+ warnings? (and [0-9]+ errors? )?generated|Suppressed [0-9]+ warnings|Use -header-filter)' "$log" >&2
  echo "clang-tidy: findings in src/ (whole log: $log)" >&2
  exit 1
fi
