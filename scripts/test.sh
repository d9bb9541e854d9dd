#!/usr/bin/env bash
# Builds Vistel and runs every test: unit, window-level (offscreen), the
# sanitizer build of the picture layer, and the end-to-end run under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The picture layer again under AddressSanitizer and UBSan: it parses files
# from anywhere, so every reader test also runs with memory checking.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVISTEL_GUI=OFF \
  -DVISTEL_SANITIZE=address,undefined >/dev/null
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
