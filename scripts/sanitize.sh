#!/usr/bin/env bash
# Builds with Clang and runs the suite under AddressSanitizer + UndefinedBehaviorSanitizer,
# then the threaded tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CC=clang CXX=clang++
bash scripts/build.sh build-asan -DKERFMAX_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)" --timeout 900
# The run layer, the send worker, the links and a large job's output are where
# threads meet: their tests run under TSan.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKERFMAX_SANITIZE=thread >/dev/null
cmake --build build-tsan --parallel "$(nproc)" --target kerfmax-cli kerfmax_tests_cutter kerfmax_tests_run kerfmax_tests_geometry
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/kerfmax_tests_cutter
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/kerfmax_tests_run
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/kerfmax_tests_geometry --gtest_filter='OutputJob.*'
