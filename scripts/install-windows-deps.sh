#!/usr/bin/env bash
# Installs what the Windows cross-build and its tests need on Debian 12:
# the mingw-w64 cross compilers (32- and 64-bit), Wine with its 32-bit half
# (which needs the i386 architecture), a virtual X screen, the Japanese
# locale and font the window's texts are drawn with, and GoogleTest's source
# so the core's unit tests can be built with the cross compilers.
# Idempotent: apt is only touched when something is missing.
set -euo pipefail

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

packages=(
  cmake ninja-build ccache make
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64
  # Wine's own fonts, Marlett among them: the window frame's caption buttons
  # are its glyphs, and without it they show as the letters "0 1 r".
  fonts-wine
  xvfb xauth x11-utils xdotool imagemagick
  fonts-ipafont-gothic
  locales
  googletest libz-mingw-w64-dev
  python3
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture (for wine32)"
  $sudo dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Wine's 32-bit half, on its own: its i386 libraries must be of the very
# versions of the machine's 64-bit ones, which a mirror's i386 lists can lag
# behind. Where it cannot be installed this says so, and the 32-bit Windows
# build cannot run here (test-windows.sh says so again, and .ci/run).
wine32_missing=0
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  wine32_missing=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ] || [ "$wine32_missing" = 1 ]; then
  echo "Installing: ${missing[*]:-} wine32:i386"
  # A list that fails to download (a mirror out of step, say) is reported
  # and left out; an install that needed it fails below.
  $sudo apt-get -o DPkg::Lock::Timeout=300 update -qq ||
    echo "install-windows-deps.sh: some package lists could not be read; going on with the others"
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}"
  fi
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 install -y -qq \
    --no-install-recommends wine32:i386; then
    echo "install-windows-deps.sh: wine32:i386 cannot be installed from this machine's package lists: the 32-bit Windows build cannot run here"
  fi
fi

# The static C++ runtime must use the POSIX-thread-less ("win32") variant or
# the posix one consistently; Debian's default alternative is win32, which
# needs no libwinpthread DLL beside the program. Nothing to do here.

# Wine shows Japanese texts only with a Japanese locale present.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  echo "Generating the ja_JP.UTF-8 locale"
  $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
