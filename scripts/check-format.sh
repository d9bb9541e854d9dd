#!/usr/bin/env bash
# Checks that every tracked C++ file is laid out as the repository's
# .clang-format says; names each file and line that is not, and fails.
# `clang-format -i FILE` puts a file right.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
else
  # An unpacked source tree without its history: the same folders.
  mapfile -d '' files < <(find src tests tools bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
clang-format --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files checked"
