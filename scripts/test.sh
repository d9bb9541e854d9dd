#!/usr/bin/env bash
# Builds Vistel and runs every test: unit, window-level (offscreen), the
# sanitizer build of the picture layer, and the end-to-end run under Xvfb;
# makes the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The Debian package from the same tree, with the validators and lintian.
bash scripts/check-package.sh

# The picture layer again under AddressSanitizer and UBSan: it parses files
# from anywhere, so every reader test also runs with memory checking.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVISTEL_GUI=OFF \
  -DVISTEL_SANITIZE=address,undefined >/dev/null
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

# The thumbnail loader and its stop and race tests under ThreadSanitizer.
# Address-space randomisation is switched off for them: the sanitizer's
# fixed memory layout clashes with the wide randomisation of newer kernels.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVISTEL_SANITIZE=thread >/dev/null
tsan_tests=(test_app_chooser_loader_race_test test_app_chooser_chooser_test
  test_app_chooser_thumb_maker_test)
cmake --build build-tsan --target "${tsan_tests[@]}"
for t in "${tsan_tests[@]}"; do
  QT_QPA_PLATFORM=offscreen \
    TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
    setarch "$(uname -m)" -R "build-tsan/tests/$t"
done
