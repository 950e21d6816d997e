#!/usr/bin/env bash
# Draws the pictures of the README's tutorial again: runs of the bundled
# settings on sample courses, made with ormakin-sim (no window needed) and
# cut or scaled with ImageMagick's convert.
# Usage: scripts/tutorial-pictures.sh [build directory]   (default: build)
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
sim="$build/ormakin-sim"
settings="$repo/examples/ormakin.ini"
courses="$repo/examples/courses"
out="$repo/docs/tutorial"

if [ ! -x "$sim" ]; then
  echo "No $sim: build it first (cmake --build $build --target ormakin-sim)." >&2
  exit 1
fi
command -v convert >/dev/null || { echo "convert (imagemagick) is missing." >&2; exit 1; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# The sensors up close: tick 164 on the bends, in a left bend, where the
# left and centre sensors see the line (mask 5) and the right one does not.
"$sim" run "$courses/2-bends.bmp" --settings "$settings" --ticks 164 --frame "$tmp/bend.png" >/dev/null
convert "$tmp/bend.png" -crop 64x48+76+322 +repage -scale 800% "$out/sensors.png"

# One lap of the course with the gap and the sharp corners, with the path the
# car has taken.
"$sim" run "$courses/4-gap-corner.bmp" --settings "$settings" --ticks 1600 \
  --path "$out/gap-corner-path.png" >/dev/null

# The course larger than the window: the window shows only the top-left
# 500 x 400 pixels, while the car goes round all of it.
"$sim" run "$courses/5-large.bmp" --settings "$settings" --ticks 3000 \
  --path "$tmp/large.png" >/dev/null
convert "$tmp/large.png" -fill none -stroke '#808080' -draw 'rectangle 0,0 499,399' \
  -scale 50% "$out/large-path.png"

ls -l "$out"
