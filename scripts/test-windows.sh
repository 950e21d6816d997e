#!/usr/bin/env bash
# Tests the Windows build under Wine: the core's unit tests, ormakin-sim's
# runs against the Linux build's (the trace hashes must be equal bit for
# bit), and a smoke test of ormakin.exe's window on a virtual X screen.
#   scripts/test-windows.sh [--screenshots]
# --screenshots also writes docs/windows-ARCH-main.png and
# docs/windows-ARCH-about.png for each build that runs (ARCH: i686, x86-64).
# Every check reads the programs' own output: a program that cannot start
# under Wine prints nothing, and that fails the check.
# A machine whose kernel runs no 32-bit programs runs the 64-bit build only
# and says so; with ORMAKIN_REQUIRE_PE32=1 (as in CI) that is a failure.
set -uo pipefail

cd "$(dirname "$0")/.."
ROOT=$PWD
WIN32_BUILD=${WIN32_BUILD:-$ROOT/build-win32}
WIN64_BUILD=${WIN64_BUILD:-$ROOT/build-win64}
LINUX_BUILD=${LINUX_BUILD:-$ROOT/build}
SCREENSHOTS=0
[ "${1:-}" = "--screenshots" ] && SCREENSHOTS=1

# A Wine prefix of our own, Japanese, with the IPA fonts for the Japanese ones.
export WINEPREFIX=${WINEPREFIX:-$WIN64_BUILD/wine-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine

passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
# check NAME OUTPUT PATTERN: the output must hold a line matching PATTERN.
check() {
  if grep -Eq -- "$3" <<<"$2"; then pass "$1"; else fail "$1"; echo "$2" | tail -20; fi
}

# The IPA fonts that Debian installs (fonts-ipafont-gothic) and Marlett, copied into the
# prefix's Fonts folder and registered there, and set as Wine's replacement
# for the program's font and the faces the system draws menus and dialogs
# with. The names are Japanese, so they go in through a registry file in
# UTF-16 rather than through the command line. Done on every run: a prefix
# made before this is mended too.
IPA_FONTS=/usr/share/fonts/opentype/ipafont-gothic
register_japanese_fonts() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$fonts"
  for file in ipagp.ttf ipag.ttf; do
    if [ ! -f "$IPA_FONTS/$file" ]; then
      echo "NOTE: $IPA_FONTS/$file is missing: Japanese texts show as boxes under Wine"
      return 0
    fi
    cmp -s "$IPA_FONTS/$file" "$fonts/$file" || cp "$IPA_FONTS/$file" "$fonts/$file"
  done
  # Wine's own Marlett (fonts-wine), whose glyphs are the caption buttons:
  # this Wine does not load its data folder's fonts, and without it the
  # buttons fall back to a replaced face and show the letters "0 1 r".
  local marlett=/usr/share/wine/fonts/marlett.ttf
  if [ -f "$marlett" ]; then
    cmp -s "$marlett" "$fonts/marlett.ttf" || cp "$marlett" "$fonts/marlett.ttf"
  else
    echo "NOTE: $marlett is missing (fonts-wine): the caption buttons show letters"
  fi
  local reg=$WINEPREFIX/japanese-fonts.reg
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n'
    printf '"IPAPGothic (TrueType)"="ipagp.ttf"\r\n"IPAGothic (TrueType)"="ipag.ttf"\r\n'
    printf '"Marlett (TrueType)"="marlett.ttf"\r\n\r\n'
    for key in 'HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements' \
      'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'; do
      printf '[%s]\r\n' "$key"
      # Proportional faces by the proportional IPA font, fixed ones by the fixed.
      for face in "ＭＳ Ｐゴシック" "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" \
        "MS Sans Serif"; do
        printf '"%s"="IPAPGothic"\r\n' "$face"
      done
      printf '"%s"="IPAGothic"\r\n' "ＭＳ ゴシック"
      printf '\r\n'
    done
  } | iconv -f UTF-8 -t UTF-16 >"$reg"
  "$WINE64" regedit /S "$reg" >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
}

if [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "Making the Wine prefix $WINEPREFIX"
  timeout 300 "$WINE64" wineboot -i >/dev/null 2>&1
  # One virtual desktop for every program, so that Wine draws the window
  # frames itself and the probe sees the program's windows.
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
    >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi
register_japanese_fonts
# The program's font, asked for by its Japanese name, must read back as the
# IPA font (Wine answers in code page 932, so only the value is matched).
check "the program's font is replaced by an IPA font in the Wine prefix" \
  "$("$WINE64" reg query 'HKCU\Software\Wine\Fonts\Replacements' /v "ＭＳ Ｐゴシック" 2>&1)" \
  'REG_SZ +IPAPGothic'

# Which builds Wine can run here: a 32-bit program needs the kernel's 32-bit
# support, which some machines lack; such a machine runs the 64-bit build
# only, and says so, unless the 32-bit build is required.
REQUIRE_PE32=${ORMAKIN_REQUIRE_PE32:-0}
builds=()
for build in "$WIN32_BUILD" "$WIN64_BUILD"; do
  if [ ! -f "$build/core_tests.exe" ]; then
    if [ "$build" = "$WIN32_BUILD" ] && [ "$REQUIRE_PE32" = 1 ]; then
      fail "the 32-bit Windows build is required (ORMAKIN_REQUIRE_PE32=1) but $build has no core_tests.exe"
    fi
    continue
  fi
  if [ "$build" = "$WIN32_BUILD" ]; then wine=$WINE32; else wine=$WINE64; fi
  if "$wine" "$build/core_tests.exe" --gtest_list_tests 2>/dev/null | grep -q '^TTraceMap\|^Car'; then
    builds+=("$build")
  elif [ "$build" = "$WIN32_BUILD" ] && [ "$REQUIRE_PE32" = 1 ]; then
    fail "the 32-bit Windows build is required (ORMAKIN_REQUIRE_PE32=1) but Wine cannot run it here (does the kernel run 32-bit programs?)"
  else
    echo "NOTE: Wine cannot run $build here (no 32-bit support on this machine?); its checks are left out"
  fi
done
if [ ${#builds[@]} -eq 0 ]; then
  fail "no Windows build can run under Wine here"
fi

# Tests that need Linux services, or that pin Linux behaviour the system
# does differently (code page 932's byte 0x80, backslashes in file names).
EXCLUDED='SettingsFilePath.LiesBesideTheExecutable:ToDisplayText.ConvertsCodePage932AndKeepsUtf8'
EXCLUDED+=':Picture.ExtensionPicksTheReaderOrIsRefusedAsWritten'

# The Linux build's ormakin-sim, the reference for the hashes.
if [ ! -x "$LINUX_BUILD/ormakin-sim" ]; then
  cmake -S . -B "$LINUX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$LINUX_BUILD" --target ormakin-sim >/dev/null
fi

# The extended arithmetic's test vectors, from the Linux build (the x87's own
# results), for the core tests to replay; named to Windows by its drive path.
VECTORS=${ORMAKIN_VECTORS:-$LINUX_BUILD/extended-vectors.txt}
if [ ! -f "$VECTORS" ]; then
  cmake -S . -B "$LINUX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$LINUX_BUILD" --target make_extended_vectors >/dev/null
  "$LINUX_BUILD/tests/make_extended_vectors" "$VECTORS"
fi
VECTORS=$(realpath "$VECTORS")
export ORMAKIN_VECTORS='Z:'"${VECTORS//\//\\}"

for build in "${builds[@]}"; do
  if [ "$build" = "$WIN32_BUILD" ]; then wine=$WINE32; arch=i686; else wine=$WINE64; arch=x86-64; fi
  out=$(cd "$ROOT" && timeout 600 "$wine" "$build/core_tests.exe" --gtest_filter="-$EXCLUDED" 2>&1 |
    tr -d '\r')
  # The vectors must have been replayed, not skipped.
  check "$arch extended vectors" "$out" '^\[       OK \] ExtendedVectors\.'
  grep -E '^[a-z_0-9]+: [0-9]+ vectors (replayed|skipped)' <<<"$out" | sed "s/^/  $arch: /"
  check "$arch core tests" "$out" '^\[  PASSED  \] [0-9]+ tests\.$'
  # The differential tests against the system's settings reader and drawing
  # say how much agreed.
  grep -E '^[0-9]+ of [0-9]+ (readings|cars)' <<<"$out" | sed "s/^/  $arch: /"
  if grep -q 'FAILED' <<<"$out"; then fail "$arch core tests: failures"; grep FAILED <<<"$out"; fi

  # The same runs give the same traces, bit for bit.
  for course in examples/courses/*.bmp; do
    linux=$("$LINUX_BUILD/ormakin-sim" run "$course" --settings examples/ormakin.ini --ticks 3000 |
      grep -o 'hash=[0-9a-f]*')
    windows=$(timeout 120 "$wine" "$build/ormakin-sim.exe" run "$course" \
      --settings examples/ormakin.ini --ticks 3000 | tr -d '\r' | grep -o 'hash=[0-9a-f]*')
    if [ -n "$linux" ] && [ "$linux" = "$windows" ]; then
      pass "$arch ormakin-sim $(basename "$course") $windows"
    else
      fail "$arch ormakin-sim $(basename "$course"): Linux '$linux', Windows '$windows'"
    fi
  done
  out=$(timeout 120 "$wine" "$build/ormakin-sim.exe" check examples/courses/1-oval.bmp 2>&1 | tr -d '\r')
  check "$arch ormakin-sim check" "$out" '500'
done

# The window, on a virtual screen, inside a Wine desktop that draws the
# frames itself (there is no window manager here).
smoke() {
  local build=$1 wine=$2 arch=$3
  local display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  local xvfb=$!
  sleep 1
  export DISPLAY=$display
  cp examples/ormakin.ini "$build/ormakin.ini"
  "$wine" "$build/ormakin.exe" >/dev/null 2>&1 &
  local app=$!
  local probe="$build/window_probe.exe"
  out=$("$wine" "$probe" geometry | tr -d '\r')
  check "$arch window caption" "$out" '^caption=Ormakin$'
  check "$arch window place and client size" "$out" '^window=192,107 client=519x411$'
  check "$arch window frame" "$out" '^maximize=no sizing=no minimize=yes sysmenu=yes menu=yes$'
  # The caption buttons are glyphs of Marlett: the font must be there and
  # left alone by the replacements above, or they show as letters.
  out=$("$wine" "$probe" caption-font | tr -d '\r')
  check "$arch caption buttons drawn with Marlett" "$out" '^caption button font=Marlett$'
  out=$("$wine" "$probe" about-open | tr -d '\r')
  check "$arch About box" "$out" '^Ormakin Ver 1\.1$'
  check "$arch About box disables the window" "$out" 'enabled while open=no'
  if [ "$SCREENSHOTS" = 1 ]; then
    sleep 1
    import -window root -crop 550x490+182+97 +repage "docs/windows-$arch-about.png"
  fi
  out=$("$wine" "$probe" about-close | tr -d '\r')
  check "$arch About box closes" "$out" 'about closed=yes main window enabled=yes'
  out=$("$wine" "$probe" run 'Z:'"${ROOT//\//\\}"'\examples\courses\1-oval.bmp' | tr -d '\r')
  check "$arch run draws frames" "$out" 'moved=yes'
  if [ "$SCREENSHOTS" = 1 ]; then
    import -window root -crop 550x490+182+97 +repage "docs/windows-$arch-main.png"
  fi
  out=$("$wine" "$probe" close | tr -d '\r')
  check "$arch window closes" "$out" '^closed=yes$'
  kill "$app" 2>/dev/null
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
}

for build in "${builds[@]}"; do
  if [ "$build" = "$WIN32_BUILD" ]; then
    smoke "$build" "$WINE32" i686
  else
    smoke "$build" "$WINE64" x86-64
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
