#!/usr/bin/env bash
# Runs every benchmark program in BUILD/bench and prints its results.
set -euo pipefail
build=${1:?build directory}
status=0
for program in "$build"/bench/*_bench; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_min_time=0.2 || status=1
done
exit $status
