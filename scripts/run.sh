#!/usr/bin/env bash
# Builds Corvane (installing what is missing) and starts it; arguments go to the program.
set -euo pipefail
CORVANE_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$CORVANE_ROOT/scripts/setup.sh"
corvane_setup
corvane_build "$CORVANE_ROOT/build" -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF
exec "$CORVANE_ROOT/build/bin/Corvane" "$@"
