#!/usr/bin/env bash
# Runs the same benchmarks of two builds in turns (A, B, B, A, A, B ...), so that a machine busy with
# other work slows both alike, and prints each figure's median per build and B's time against A's.
# Usage: scripts/compare_builds.sh BUILD_A BUILD_B ROUNDS BENCH [ARG...]
#   e.g. scripts/compare_builds.sh ../old/build-rel build-rel 3 bench_rename 10000
# Figures are the benchmark's own "name: value unit" lines; only those of unit s or ms are compared.
set -euo pipefail
if [ $# -lt 4 ]; then
  sed -n '2,6p' "$0" >&2
  exit 2
fi
a=$1 b=$2 rounds=$3 bench=$4
shift 4
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for ((i = 0; i < rounds; i++)); do
  if ((i % 2 == 0)); then order="A B"; else order="B A"; fi
  for side in $order; do
    dir=$a
    [ "$side" = B ] && dir=$b
    "$dir/bin/$bench" "$@" 2>/dev/null | sed -n 's/^\([A-Za-z0-9_]*\): \([0-9.]*\) \(s\|ms\)$/\1 \2 \3/p' >>"$out/$side"
  done
done
python3 - "$out/A" "$out/B" <<'PY'
import statistics, sys
def figures(path):
    runs = {}
    for line in open(path):
        name, value, unit = line.split()
        runs.setdefault(name, []).append((float(value), unit))
    return {n: (statistics.median(v for v, _ in vs), vs[0][1]) for n, vs in runs.items()}
a, b = figures(sys.argv[1]), figures(sys.argv[2])
for name in a:
    if name in b and a[name][0] > 0:
        print(f"{name}: A {a[name][0]:.4g} {a[name][1]}, B {b[name][0]:.4g} {b[name][1]}, B/A {b[name][0] / a[name][0]:.2f} x")
PY
