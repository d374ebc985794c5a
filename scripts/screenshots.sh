#!/usr/bin/env bash
# Regenerates the pictures of docs/guide.md from the program itself: the guide's windows
# are opened offscreen on a fresh demo database and grabbed into docs/images/.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
cmake --build "$BUILD" -j2 --target balvix demo_tests
# On a laptop's screen (1366×768); the test checks that no window is cut by its edge.
QT_QPA_PLATFORM="offscreen:configfile=$PWD/tests/common/offscreen-1366x768.json" \
  BALVIX_GUIDE_IMAGES="$PWD/docs/images" \
  "$BUILD/tests/demo_tests" --gtest_filter='GuideScreenshots.*'
ls docs/images
