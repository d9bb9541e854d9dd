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

# The thumbnail loader and its stop and race tests, and the panel with its
# fonts worked out on a thread meanwhile, under ThreadSanitizer.
# Address-space randomisation is switched off for them: the sanitizer's
# fixed memory layout clashes with the wide randomisation of newer kernels.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVISTEL_SANITIZE=thread -DVISTEL_WERROR=ON >/dev/null
tsan_tests=(test_app_chooser_loader_race_test test_app_chooser_chooser_test
  test_app_chooser_thumb_maker_test test_app_panel_panel_test)
cmake --build build-tsan --target "${tsan_tests[@]}"
for t in "${tsan_tests[@]}"; do
  QT_QPA_PLATFORM=offscreen \
    TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
    setarch "$(uname -m)" -R "build-tsan/tests/$t"
done

# Each libFuzzer target for a few seconds from its seed corpus: a quick look
# for regressions, not a search (run a target longer by hand for that). What
# a run finds goes to a scratch folder; a crashing input is kept in
# build-fuzz/ and fails the command.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVISTEL_FUZZ=ON -DVISTEL_GUI=OFF -DVISTEL_TESTS=OFF \
  -DVISTEL_WERROR=ON >/dev/null
cmake --build build-fuzz
fuzz_scratch=$(mktemp -d)
trap 'rm -rf "$fuzz_scratch"' EXIT
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=${target##*/fuzz_}
  mkdir "$fuzz_scratch/$name"
  if ! "$target" -max_total_time=5 -print_final_stats=1 -artifact_prefix="build-fuzz/crash-$name-" \
    "$fuzz_scratch/$name" "fuzz/corpus/$name" >"$fuzz_scratch/$name.log" 2>&1; then
    tail -n 40 "$fuzz_scratch/$name.log"
    exit 1
  fi
  echo "fuzz $name: $(awk '/number_of_executed_units/ {print $2}' "$fuzz_scratch/$name.log") runs in 5 s"
done
