#!/usr/bin/env bash
# Checks the archives in dist/ as a user meets them: each unpacked into an
# empty folder and run from there. The Linux folder's ormakin-sim gives the
# build tree's summary and its ormakin reads ormakin.ini from beside itself
# (also when started through a link) on a virtual screen; the x86-64 zip's
# ormakin-sim.exe gives the same summary under Wine; the i686 zip holds
# 32-bit programs; the page is the one built and names nothing outside
# itself. Then scripts/test-user-install.sh installs and uninstalls the Linux
# folder in scratch prefixes.
#   scripts/test-dist.sh VERSION
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
VERSION=${1:?usage: test-dist.sh VERSION}
# The summaries are compared with the Linux build that the archive came from.
LINUX_BUILD=${LINUX_BUILD:-$ROOT/build-release}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix that scripts/test-windows.sh made, if there is one.
[ -d "$ROOT/build-win64/wine-prefix" ] && export WINEPREFIX=${WINEPREFIX:-$ROOT/build-win64/wine-prefix}

passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
same() {  # same NAME EXPECTED ACTUAL
  if [ -n "$2" ] && [ "$2" = "$3" ]; then pass "$1"; else fail "$1: expected '$2', got '$3'"; fi
}

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

expected=$(cd "$ROOT/examples" && "$LINUX_BUILD/ormakin-sim" run courses/1-oval.bmp \
  --settings ormakin.ini --ticks 5000 | tail -1)

# The Linux folder.
mkdir "$work/linux"
tar -xzf "dist/ormakin-$VERSION-linux-x86_64.tar.gz" -C "$work/linux"
folder=$work/linux/ormakin-$VERSION-linux-x86_64
linux_folder=$folder
for name in ormakin ormakin-sim ormakin.ini README ormakin.desktop ormakin.png courses/1-oval.bmp; do
  [ -e "$folder/$name" ] || fail "linux folder lacks $name"
done
same "linux ormakin-sim run" "$expected" \
  "$(cd "$folder" && ./ormakin-sim run courses/1-oval.bmp --ticks 5000 | tail -1)"
same "linux ormakin-sim --version" "ormakin-sim $VERSION" "$("$folder/ormakin-sim" --version)"

# The window, on a virtual screen. With the folder's own ormakin.ini the main
# window comes up; with a malformed rule in it, a box comes first. Both are
# started through a link from elsewhere, as ~/.local/bin/ormakin is.
display=:$((300 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
mkdir "$work/bin"
ln -s "$folder/ormakin" "$work/bin/ormakin"
first_window() {  # the size of the program's first window, then close it
  (cd / && QT_QPA_PLATFORM=xcb exec "$work/bin/ormakin" >/dev/null 2>&1) &
  local app=$!
  local id
  id=$(timeout 60 xdotool search --sync --onlyvisible --pid "$app" 2>/dev/null | head -1)
  if [ -n "$id" ]; then
    xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p'
  fi
  kill "$app" 2>/dev/null
  wait "$app" 2>/dev/null
}
main=$(first_window)
cp "$folder/ormakin.ini" "$work/ormakin.ini.orig"
sed -i 's/^1-0=.*/1-0=no commas here/' "$folder/ormakin.ini"
box=$(first_window)
cp "$work/ormakin.ini.orig" "$folder/ormakin.ini"
if [ -n "$main" ]; then pass "linux ormakin shows its window ($main)"; else fail "linux ormakin shows no window"; fi
if [ -n "$box" ] && [ "$box" != "$main" ]; then
  pass "linux ormakin reads ormakin.ini beside it (a box of $box first)"
else
  fail "linux ormakin: no box for a malformed rule in the folder's ormakin.ini ('$box')"
fi

# The Windows zips.
mkdir "$work/win64" "$work/win32"
unzip -q "dist/ormakin-$VERSION-windows-x86_64.zip" -d "$work/win64"
unzip -q "dist/ormakin-$VERSION-windows-i686.zip" -d "$work/win32"
win64=$work/win64/ormakin-$VERSION-windows-x86_64
win32=$work/win32/ormakin-$VERSION-windows-i686
for folder in "$win64" "$win32"; do
  for name in ormakin.exe ormakin-sim.exe ormakin.ini README.txt courses/1-oval.bmp; do
    [ -e "$folder/$name" ] || fail "$(basename "$folder") lacks $name"
  done
done
same "x86-64 ormakin-sim.exe run" "$expected" \
  "$(cd "$win64" && timeout 300 /usr/lib/wine/wine64 ormakin-sim.exe run 'courses\1-oval.bmp' \
    --ticks 5000 | tr -d '\r' | tail -1)"
for name in ormakin.exe ormakin-sim.exe; do
  kind=$(file -b "$win32/$name")
  case "$kind" in
  "PE32 executable"*"Intel 80386"*) pass "i686 $name is $kind" ;;
  *) fail "i686 $name is '$kind'" ;;
  esac
done

# The page: the file that make web built, naming nothing outside itself (the
# page's tests in a browser are make test-web's).
page=dist/ormakin-$VERSION-web.html
if [ -f "$page" ] && cmp -s "$page" build-web/ormakin.html; then
  pass "the page is in dist"
else
  fail "dist lacks the page built in build-web ($page)"
fi
if grep -Eq '(src|href|url)[=(]"?(https?:)?//' "$page" 2>/dev/null; then
  fail "the page names a file on the network"
else
  pass "the page is self-contained"
fi

# A user install and uninstall from the unpacked folder, in scratch prefixes.
if scripts/test-user-install.sh "$linux_folder"; then
  pass "user install and uninstall"
else
  fail "user install and uninstall"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
