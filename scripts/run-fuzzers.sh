#!/usr/bin/env bash
# Runs every fuzz target in BUILD for SECONDS each, starting from the seed
# corpus in fuzz/corpus/<name> and keeping what it learns in a scratch copy.
set -euo pipefail
build=${1:?build directory}
seconds=${2:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$build"/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target" _fuzz)
  work=$(mktemp -d)
  if [ -d "$top/fuzz/corpus/$name" ]; then
    cp -r "$top/fuzz/corpus/$name/." "$work/"
  fi
  echo "== fuzzing $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
      -artifact_prefix="$build/fuzz/$name-" "$work" 2>"$build/fuzz/$name.log"; then
    echo "fuzz target $name failed; see $build/fuzz/$name.log"
    tail -n 40 "$build/fuzz/$name.log"
    status=1
  else
    grep -E '^#[0-9]+.*DONE|Done [0-9]+ runs' "$build/fuzz/$name.log" | tail -n 1 || true
  fi
  rm -rf "$work"
done
exit $status
