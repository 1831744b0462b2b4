#!/usr/bin/env bash
# Builds everything (installing what is missing) with warnings as errors and runs every test,
# then the window tests again, each on an X server of its own (Xvfb), then builds again with the
# address and undefined-behaviour sanitizers and runs them again, then, when clang is installed,
# runs each fuzz target briefly (CORVANE_FUZZ_SECONDS, default 5).
set -euo pipefail
CORVANE_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$CORVANE_ROOT/scripts/setup.sh"
corvane_setup
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== build (warnings are errors)"
corvane_build "$CORVANE_ROOT/build-test" -DCORVANE_WERROR=ON
(cd "$CORVANE_ROOT/build-test" && ctest --output-on-failure --parallel "$jobs")
echo "== window tests on a real X server (Xvfb)"
(cd "$CORVANE_ROOT/build-test" && CORVANE_WINDOW_TESTS_ON=xvfb ctest -L window --output-on-failure --parallel "$jobs")

echo "== build with sanitizers"
corvane_build "$CORVANE_ROOT/build-asan" -DCORVANE_WERROR=ON -DCORVANE_SANITIZE=ON -DCORVANE_BUILD_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$CORVANE_ROOT/build-asan" && ctest --output-on-failure --parallel "$jobs")

echo "== fuzz targets"
bash "$CORVANE_ROOT/scripts/fuzz.sh" "${CORVANE_FUZZ_SECONDS:-5}"
