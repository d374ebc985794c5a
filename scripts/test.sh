#!/usr/bin/env bash
# Sets up, builds and runs every test headless; then builds the tests a second time with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/) and runs them there too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBALVIX_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)" --target storage_tests script_tests shell_tests \
  configurator_tests
# Any finding ends the test that made it, so it fails instead of scrolling by.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
(cd build-asan && ctest --output-on-failure -j"$(nproc)" --timeout 600)
