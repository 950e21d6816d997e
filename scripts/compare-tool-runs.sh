#!/usr/bin/env bash
# A cross-built ormakin-sim beside the build machine's own: each sample
# course's run (5000 ticks, with its whole trace) and a small sweep must
# print the same bytes on both. Run by ctest in the cross presets, with the
# emulator that runs the target's programs:
#   ORMAKIN_HOST_SIM=build/ormakin-sim scripts/compare-tool-runs.sh TOOL [EMULATOR ARGS...]
set -uo pipefail

cd "$(dirname "$0")/.."
tool=$1
shift
host=${ORMAKIN_HOST_SIM:-}
if [ -z "$host" ] || [ ! -x "$host" ]; then
  echo "FAIL: ORMAKIN_HOST_SIM must name the build machine's ormakin-sim (make test-i686 or" \
    "make test-aarch64 builds it and sets it); it is '${host}'"
  exit 1
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

passed=0
failed=0
# compare NAME ARGS...: the outputs of both tools for ARGS, byte for byte.
compare() {
  local name=$1
  shift
  "$host" "$@" >"$scratch/host" 2>&1
  local hostStatus=$?
  "${EMULATOR[@]}" "$tool" "$@" >"$scratch/target" 2>&1
  local targetStatus=$?
  if [ -s "$scratch/host" ] && [ "$hostStatus" = "$targetStatus" ] &&
    cmp -s "$scratch/host" "$scratch/target"; then
    echo "PASS: $name ($(wc -c <"$scratch/host") bytes)"
    passed=$((passed + 1))
  else
    echo "FAIL: $name (exit $hostStatus on the host, $targetStatus on the target)"
    diff "$scratch/host" "$scratch/target" | head -10
    failed=$((failed + 1))
  fi
}
EMULATOR=("$@")

for course in examples/courses/*.bmp; do
  compare "run $(basename "$course")" run "$course" --settings examples/ormakin.ini \
    --ticks 5000 --trace -
done
# On one thread: a sweep's output does not depend on the number of threads,
# and under qemu-aarch64 one on two threads stalls (no end within minutes,
# where one thread takes about a second).
compare "sweep 1-oval.bmp --around 2" sweep examples/courses/1-oval.bmp \
  --settings examples/ormakin.ini --around 2 --jobs 1

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
