#!/usr/bin/env bash
# Sets up, builds and runs every test headless; then builds the tests a second time with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/) and runs them there too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Style is checked, not argued about: scripts/format.sh formats in place.
bash scripts/format.sh --check
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)
# The same program on a PostgreSQL server: the database-facing suites once more against a
# throwaway cluster (not under the sanitizers).
bash scripts/test_server.sh build storage_tests config_tests script_objects_tests documents_tests demo_tests

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBALVIX_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)"
# Any finding ends the test that made it, so it fails instead of scrolling by.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
(cd build-asan && ctest --output-on-failure -j"$(nproc)" --timeout 600)
