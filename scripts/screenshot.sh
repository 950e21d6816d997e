#!/usr/bin/env bash
# Takes screenshots of the program's window on a virtual screen:
#   docs/window.png   the window as it opens. On the way it checks that the
#                     window is mapped at (192, 107) with a client area of
#                     519 x 411 below its menu bar.
#   docs/running.png  a sample course opened through the menu and its file
#                     dialog, a few seconds into a run (needs xdotool to
#                     work the menu; skipped with a note without it).
#
# Usage: scripts/screenshot.sh [build directory]   (default: build)
# Needs xvfb, x11-utils and imagemagick, and xdotool for the second picture
# (scripts/install-deps.sh).
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" 2>/dev/null && pwd)" || {
  echo "No build directory ${1:-$repo/build}: build the program first (make build)." >&2
  exit 1
}
program="$build/ormakin"
output="$repo/docs/window.png"
running_output="$repo/docs/running.png"
course="$repo/examples/courses/2-bends.bmp"

if [ ! -x "$program" ]; then
  echo "No program at $program: build it first (make build)." >&2
  exit 1
fi
for tool in xvfb-run xwininfo import; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: run scripts/install-deps.sh." >&2
    exit 1
  fi
done
# The settings file lies beside the program.
if [ ! -f "$build/ormakin.ini" ]; then
  cp "$repo/examples/ormakin.ini" "$build/ormakin.ini"
fi

if [ -z "${ORMAKIN_ON_VIRTUAL_SCREEN:-}" ]; then
  export ORMAKIN_ON_VIRTUAL_SCREEN=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

# From here on we run on the virtual screen.
export QT_QPA_PLATFORM=xcb
"$program" &
pid=$!
stop_program() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
trap stop_program EXIT

info=""
for _ in $(seq 1 100); do
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "The program ended before its window appeared." >&2
    exit 1
  fi
  info="$(xwininfo -name Ormakin 2>/dev/null || true)"
  if grep -q 'Map State: IsViewable' <<<"$info"; then
    break
  fi
  info=""
  sleep 0.1
done
if [ -z "$info" ]; then
  echo "The window \"Ormakin\" did not appear within 10 seconds." >&2
  exit 1
fi

value() { sed -n "s/^ *$1: *\(-\?[0-9]*\).*/\1/p" <<<"$info" | head -n 1; }
left="$(value 'Absolute upper-left X')"
top="$(value 'Absolute upper-left Y')"
width="$(value 'Width')"
height="$(value 'Height')"
menu_height=$((height - 411))

if [ "$width" -ne 519 ] || [ "$menu_height" -lt 10 ] || [ "$menu_height" -gt 60 ]; then
  echo "The window is ${width} x ${height}; expected 519 x (411 + a menu bar)." >&2
  exit 1
fi
if [ "$left" -ne 192 ] || [ "$top" -ne 107 ]; then
  echo "The window is at (${left}, ${top}); expected (192, 107)." >&2
  exit 1
fi

# Give the first paint a moment, then take the window's part of the screen.
sleep 0.5
mkdir -p "$(dirname "$output")"
import -window root -crop "${width}x${height}+${left}+${top}" +repage "$output"
echo "Wrote $output: the window, ${width} x ${height} (menu bar ${menu_height} pixels)."

# The second picture: open a course through the menu and start a run.
if ! command -v xdotool >/dev/null; then
  echo "xdotool is missing: $running_output was not taken (run scripts/install-deps.sh)."
  exit 0
fi
if [ ! -f "$course" ]; then
  echo "No sample course at $course: $running_output was not taken." >&2
  exit 1
fi
menu_y=$((top + menu_height / 2))
# Chooses the first item of the menu whose caption lies at x (screen pixels).
choose_first_item() {
  xdotool mousemove "$1" "$menu_y" click 1
  sleep 0.3
  xdotool key Down Return
}

choose_first_item $((left + 29))  # ファイル, then 開く...
dialog=""
for _ in $(seq 1 50); do
  dialog="$(xdotool search --onlyvisible --name '^Open$' 2>/dev/null | head -n 1 || true)"
  [ -n "$dialog" ] && break
  sleep 0.1
done
if [ -z "$dialog" ]; then
  echo "The file dialog did not open." >&2
  exit 1
fi
sleep 0.3
xdotool windowfocus --sync "$dialog"
xdotool type --delay 5 "$course"
xdotool key Return
sleep 1
choose_first_item $((left + 75))  # 実行, then 開始
sleep 10  # about 140 ticks: the car is in the first bend
import -window root -crop "${width}x${height}+${left}+${top}" +repage "$running_output"

# The car's body is pure blue: the picture must show it.
blue="$(convert "$running_output" -fill black +opaque '#0000FF' -fill white -opaque '#0000FF' \
  -format '%[fx:round(mean*w*h)]' info:)"
if [ "$blue" -lt 50 ]; then
  echo "The running window shows no car (${blue} blue pixels): see $running_output." >&2
  exit 1
fi
echo "Wrote $running_output: a run on $(basename "$course"), the car ${blue} blue pixels."
