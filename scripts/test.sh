#!/usr/bin/env bash
# Checks the layout of every C++ file; builds Vistel with warnings as
# errors and runs clang-tidy over its sources; runs every test: unit,
# window-level (offscreen) and end to end (Xvfb with openbox and with
# xfwm4's compositor); makes the Debian package and checks it; runs the
# tests again under AddressSanitizer and UBSan, and the thumbnail loader's
# under ThreadSanitizer. Every build here has warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check-format.sh
bash scripts/build.sh -DVISTEL_WERROR=ON
bash scripts/check-tidy.sh build
# The openbox run of the scenarios is left to the sanitizer build below.
ctest --test-dir build --output-on-failure -j "$(nproc)" -E '^e2e\.openbox$'

# The Debian package from the same tree, with the validators and lintian.
bash scripts/check-package.sh

# Every test program again under AddressSanitizer and UBSan, the window-level
# ones and the end-to-end scenarios (the program under test included) too.
# Leaks are reported too.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DVISTEL_SANITIZE=address,undefined -DVISTEL_WERROR=ON >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)" -E '^e2e\.xfwm4$'

# The thumbnail loader and its stop and race tests under ThreadSanitizer.
# Address-space randomisation is switched off for them: the sanitizer's
# fixed memory layout clashes with the wide randomisation of newer kernels.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVISTEL_SANITIZE=thread -DVISTEL_WERROR=ON >/dev/null
tsan_tests=(test_app_chooser_loader_race_test test_app_chooser_chooser_test
  test_app_chooser_thumb_maker_test)
cmake --build build-tsan --target "${tsan_tests[@]}"
for t in "${tsan_tests[@]}"; do
  QT_QPA_PLATFORM=offscreen \
    TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
    setarch "$(uname -m)" -R "build-tsan/tests/$t"
done
