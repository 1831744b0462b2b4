#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang, libFuzzer and the address and undefined-behaviour
# sanitizers in build-fuzz, and runs each for the given number of seconds (default 60), several
# at once. Usage: scripts/fuzz.sh [seconds] [target...]   (targets: see build-fuzz/fuzz_targets.txt)
# The seeds and earlier findings in fuzz/corpus/<target>/ are run first; new inputs that reach new
# code collect in build-fuzz/corpus/<target>/. An input that makes a target fail is saved as
# build-fuzz/findings/<target>-crash-...: fix the fault, then copy the input into
# fuzz/corpus/<target>/ so that every test run replays it.
set -euo pipefail
CORVANE_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$CORVANE_ROOT/scripts/setup.sh"
seconds=${1:-60}
shift || true

cxx=$(corvane_fuzz_setup) || { echo "fuzz: no clang found, nothing run"; exit 0; }
build="$CORVANE_ROOT/build-fuzz"
cmake -S "$CORVANE_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$cxx" -DCORVANE_FUZZ=ON \
  -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target corvane_fuzzers --parallel "$(nproc)"

if (($#)); then targets=("$@"); else mapfile -t targets <"$build/fuzz_targets.txt"; fi
mkdir -p "$build/findings" "$build/logs"
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Targets that write files do it on a memory file system when there is one.
[[ -d /dev/shm && -w /dev/shm ]] && export TMPDIR=/dev/shm

run_one() {
  local t=$1 args=() rc=0
  mkdir -p "$build/corpus/$t" "$CORVANE_ROOT/fuzz/corpus/$t"
  [[ -f $CORVANE_ROOT/fuzz/dict/$t.dict ]] && args+=("-dict=$CORVANE_ROOT/fuzz/dict/$t.dict")
  "$build/bin/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
    -artifact_prefix="$build/findings/$t-" "${args[@]}" \
    "$build/corpus/$t" "$CORVANE_ROOT/fuzz/corpus/$t" >"$build/logs/$t.log" 2>&1 || rc=$?
  echo "$rc" >"$build/logs/$t.rc"
}

slots=$(( $(nproc) / 2 ))
((slots > 0)) || slots=1
rm -f "$build"/logs/*.rc
for t in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= slots)); do sleep 0.2; done
  run_one "$t" &
done
wait
failed=()
for t in "${targets[@]}"; do
  if [[ $(cat "$build/logs/$t.rc" 2>/dev/null) == 0 ]]; then
    echo "fuzz $t: $(grep -E '^Done [0-9]+ runs' "$build/logs/$t.log" | tail -n1)"
  else
    failed+=("$t")
    echo "fuzz $t: FAILED, last lines of $build/logs/$t.log:"
    tail -n 40 "$build/logs/$t.log"
  fi
done
if ((${#failed[@]})); then
  echo "fuzz: ${#failed[@]} of ${#targets[@]} targets failed (${failed[*]}); inputs in $build/findings/"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each without a finding"
