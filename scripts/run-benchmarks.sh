#!/usr/bin/env bash
# Runs every benchmark program in BUILD/bench (the soak test excepted: it
# runs for long and has `make soak` of its own), keeps each program's results
# as JSON in BUILD/results/NAME.json, then prints the performance table and
# writes it to docs/performance.md.
#
# Usage: run-benchmarks.sh BUILD
# Environment: BENCH_REPETITIONS (default 5; the table shows the median),
# BENCH_MIN_TIME (seconds per repetition, default 0.3),
# BENCH_OUTPUT (the table's file, default docs/performance.md in the tree).
set -euo pipefail
build=${1:?build directory}
root=$(cd "$(dirname "$0")/.." && pwd)
repetitions=${BENCH_REPETITIONS:-5}
min_time=${BENCH_MIN_TIME:-0.3}
output=${BENCH_OUTPUT:-$root/docs/performance.md}
results="$build/results"

rm -rf "$results"
mkdir -p "$results"
loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
before=$(loadavg)

status=0
found=0
for program in "$build"/bench/*_bench; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  case "$name" in *soak*) continue ;; esac
  found=1
  echo "== $name"
  "$program" --benchmark_min_time="$min_time" \
    --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_out="$results/$name.json" --benchmark_out_format=json || status=1
done
if [ "$found" -eq 0 ]; then
  echo "no benchmark programs in $build/bench" >&2
  exit 1
fi

echo "before $before, after $(loadavg)" >"$results/load.txt"
echo
python3 "$root/scripts/performance-table.py" "$results" --output "$output" || status=1
echo
echo "Written to $output"
exit $status
