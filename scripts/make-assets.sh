#!/usr/bin/env bash
# Redraws the pictures the program embeds (assets/) and the sample pictures
# (samples/) with the generator in tools/assetgen. The drawing is seeded, so
# running it again reproduces the same files. Set VISTEL_BUILD_DIR to use
# another build folder than build/.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${VISTEL_BUILD_DIR:-build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target vistel-assetgen
mkdir -p assets/icons samples
"$build/tools/assetgen/vistel-assetgen" assets samples
