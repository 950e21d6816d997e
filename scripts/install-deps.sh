#!/usr/bin/env bash
# Installs the Debian 12 packages that one kind of work needs, and nothing
# more: `make run` needs only the compilers and Qt, the tests, the sanitizers,
# the fuzzers, the benchmarks and the hand-out archives add their own tools.
#   scripts/install-deps.sh [run|test|fuzz|bench|tidy|i686|aarch64|wasm|web|web-test|dist|windows]...
# Idempotent: apt is not touched at all when everything is present, and it
# waits for the dpkg lock, since several builds may install at once. The
# web-test group also installs the page tests' Node packages from their lockfile
# (tests/web), again only when they differ from it.
set -euo pipefail
cd "$(dirname "$0")"

declare -A groups=(
  [run]="build-essential cmake ninja-build ccache pkg-config qt6-base-dev qt6-base-dev-tools
         libgl-dev zlib1g-dev libpng-dev qt6-translations-l10n qt6-svg-dev libemf2svg-dev"
  [test]="libgtest-dev libgmock-dev libmpfr-dev fonts-ipafont-gothic python3"
  [fuzz]="clang libclang-rt-14-dev"
  [bench]="libbenchmark-dev libstb-dev libmpfr-dev python3"
  [tidy]="clang-format clang-tidy"
  # The tool links zlib: Debian's own build of it for each target (for the
  # cross builds its static library alone, below).
  [i686]="g++-multilib qemu-user googletest"
  [aarch64]="clang libstdc++-12-dev-arm64-cross binutils-aarch64-linux-gnu qemu-user googletest"
  [wasm]="emscripten node-acorn nodejs googletest"
  [web]="emscripten node-acorn nodejs python3"
  # The page's tests drive Debian's Chromium from Node (npm comes with nodejs).
  [web-test]="chromium firefox-esr nodejs"
  [docs]="xvfb xauth x11-utils imagemagick xdotool fonts-ipafont-gothic graphviz"
  [dist]="xvfb xauth x11-utils xdotool file unzip desktop-file-utils"
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

# Reads the package lists. A list that fails to download (a mirror out of
# step, say) is reported and left out; an install or download that needed
# it then fails.
update_lists() {
  $sudo apt-get -o DPkg::Lock::Timeout=300 update -qq ||
    echo "install-deps.sh: some package lists could not be read; going on with the others"
}

packages=()
windows=0
web_test=0
zlib_arches=()
for group in "${@:-run}"; do
  case "$group" in
    i686) zlib_arches+=(i386) ;;
    aarch64) zlib_arches+=(arm64) ;;
  esac
  if [ "$group" = windows ]; then
    windows=1
    continue
  fi
  if [ "$group" = web-test ]; then
    web_test=1
  fi
  if [ -z "${groups[$group]+set}" ]; then
    echo "install-deps.sh: unknown group '$group'" >&2
    exit 2
  fi
  # Every group builds something, so each brings what `make run` needs.
  # shellcheck disable=SC2206
  packages+=(${groups[run]} ${groups[$group]})
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  # Each package once, in a stable order.
  mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
  # A package of another architecture (name:arch) needs that architecture
  # known to dpkg first; the update below then fetches its lists.
  for p in "${missing[@]}"; do
    arch=${p#*:}
    if [ "$arch" != "$p" ] && [ "$arch" != "$(dpkg --print-architecture)" ] &&
      ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
      echo "Adding the $arch architecture (for $p)"
      $sudo dpkg --add-architecture "$arch"
    fi
  done
  echo "Installing: ${missing[*]}"
  update_lists
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 install -y -qq \
    --no-install-recommends "${missing[@]}"
fi

if [ "$windows" = 1 ]; then
  ./install-windows-deps.sh
fi

# Debian's zlib for the cross builds: the static library of zlib1g-dev for
# the target's architecture, unpacked into build-deps/ARCH (the toolchain
# files in cmake/ link it) rather than installed. Installing it would need
# the target's C library headers and libraries at the very versions of the
# machine's own 64-bit ones, which a mirror's lists for other architectures
# can lag behind (seen here: the i386 and arm64 lists a point release behind
# the amd64 ones, so that neither could be installed beside them at all).
for arch in "${zlib_arches[@]}"; do
  triplet=$(dpkg-architecture -a"$arch" -qDEB_HOST_MULTIARCH 2>/dev/null)
  if [ -f "../build-deps/$arch/usr/lib/$triplet/libz.a" ]; then
    continue
  fi
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    echo "Adding the $arch architecture (for zlib1g-dev:$arch)"
    $sudo dpkg --add-architecture "$arch"
  fi
  if ! apt-cache show "zlib1g-dev:$arch" >/dev/null 2>&1; then
    update_lists  # the package lies in the main archive's list
  fi
  echo "Unpacking zlib1g-dev:$arch into build-deps/$arch"
  download=$(mktemp -d)
  (cd "$download" && apt-get download -qq "zlib1g-dev:$arch" 2>/dev/null)
  rm -rf "../build-deps/$arch"
  mkdir -p "../build-deps/$arch"
  dpkg-deb -x "$download"/zlib1g-dev_*_"$arch".deb "../build-deps/$arch"
  rm -rf "$download"
  test -f "../build-deps/$arch/usr/lib/$triplet/libz.a"
done

# The page tests' Node packages, exactly as the lockfile pins them. No
# package may fetch a browser: the tests use Debian's. A stamp of the
# lockfile's checksum in node_modules tells whether they already match it.
if [ "$web_test" = 1 ]; then
  web_tests=../tests/web
  lock_sum=$(sha256sum "$web_tests/package-lock.json" | cut -d' ' -f1)
  stamp="$web_tests/node_modules/.ormakin-lock-sha256"
  if [ "$(cat "$stamp" 2>/dev/null)" != "$lock_sum" ]; then
    echo "Installing the page tests' Node packages (npm ci in tests/web)"
    (cd "$web_tests" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund)
    echo "$lock_sum" >"$stamp"
  fi
fi
