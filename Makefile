# The front door: `make run` and `make test` do all the set-up on a fresh
# Debian 12 machine. Each target configures and builds through a preset of
# CMakePresets.json, one build tree per preset.
JOBS ?= $(shell nproc)

.PHONY: all deps build stage run test test-soft asan bench bench-web soak fuzz format tidy clean \
	windows windows32 windows64 test-windows i686 test-i686 aarch64 test-aarch64 host-sim \
	wasm test-wasm web test-web vectors release dist test-dist test-user-install install uninstall

all: build

deps:
	@./scripts/install-deps.sh run

# configure-and-build PRESET: the preset's tree, configured and built.
define preset-build
cmake --preset $(1) >/dev/null
cmake --build --preset $(1) -j $(JOBS)
endef

build: deps
	$(call preset-build,default)
	@cp examples/ormakin.ini build/ormakin.ini

# The folder as it is handed out (program, ormakin.ini, courses/), staged in
# the build tree; the program starts there, so its first file dialog shows
# the sample courses. Change examples/ormakin.ini: the staged copy follows it.
stage: build
	@cmake --install build --prefix build/stage >/dev/null

run: stage
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display is available here: run 'make run' from a desktop session (or under xvfb-run)."; \
	  exit 1; \
	fi
	cd build/stage && ./ormakin

# The programs in Release, as handed out.
release: deps
	$(call preset-build,release)

# What is handed out, in dist/: the Linux folder as a tar.gz, the two Windows
# folders as zips, and the page, one HTML file that runs in a browser.
VERSION = $(shell grep -o 'Ormakin VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
dist: release windows web
	@./scripts/install-deps.sh dist
	cpack --preset linux >/dev/null
	cpack --preset windows-i686 >/dev/null
	cpack --preset windows-x64 >/dev/null
	@mkdir -p dist
	cp build-release/ormakin-$(VERSION)-linux-x86_64.tar.gz \
	  build-win32/ormakin-$(VERSION)-windows-i686.zip \
	  build-win64/ormakin-$(VERSION)-windows-x86_64.zip dist/
	cp build-web/ormakin.html dist/ormakin-$(VERSION)-web.html

# Each archive unpacked in an empty folder and run from there; a user install
# and uninstall in a scratch prefix.
test-dist: dist
	./scripts/test-dist.sh $(VERSION)

# For one user: the folder under $(PREFIX)/share/ormakin, the link
# $(PREFIX)/bin/ormakin and a desktop entry; uninstall removes only what
# install made and nobody changed since.
PREFIX ?= $(HOME)/.local
install: release
	./scripts/user-install.sh install build-release $(PREFIX)

uninstall:
	./scripts/user-install.sh uninstall $(PREFIX)

# The user install and uninstall alone, in scratch prefixes (test-dist runs
# the same on the unpacked archive).
test-user-install: release
	@./scripts/install-deps.sh dist
	./scripts/test-user-install.sh build-release

test:
	@./scripts/install-deps.sh test
	$(call preset-build,default)
	@cp examples/ormakin.ini build/ormakin.ini
	ctest --preset default -j $(JOBS)

# The tool and the tests with the car's arithmetic in software even on x86:
# the same runs, the same hashes, and the host's vectors replayed.
test-soft: vectors
	@./scripts/install-deps.sh test
	$(call preset-build,soft-extended)
	ORMAKIN_VECTORS=$(VECTORS) ctest --preset soft-extended -j $(JOBS)

asan:
	@./scripts/install-deps.sh test
	$(call preset-build,asan)
	ctest --preset asan -j $(JOBS)

# Benchmarks, built in Release in a tree of their own (the start-up bench
# drives the window's classes, so with Qt); prints the performance table and
# writes it to docs/performance.md.
bench:
	@./scripts/install-deps.sh bench
	$(call preset-build,bench)
	./scripts/run-benchmarks.sh build-bench

# The page beside the tool built with the software extended type, in
# headless Chromium; its section goes at the end of docs/performance.md.
bench-web: web
	@./scripts/install-deps.sh web-test
	$(call preset-build,soft-extended)
	node bench/web/page_bench.mjs

# A million ticks with a frame each; memory must not grow. Takes minutes.
soak:
	@./scripts/install-deps.sh bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS) --target soak_bench
	./build-bench/bench/soak_bench

# libFuzzer targets under sanitizers (clang); FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 60
fuzz:
	@./scripts/install-deps.sh fuzz
	$(call preset-build,fuzz)
	./scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

format:
	@./scripts/install-deps.sh tidy
	clang-format -i $$(git ls-files '*.cpp' '*.h')

tidy: build
	@./scripts/install-deps.sh tidy
	clang-tidy -p build $$(git ls-files 'src/*.cpp')

# The extended arithmetic's test vectors, written by the host build from
# the x87's own results; every other target's core tests replay them.
VECTORS = $(CURDIR)/build/extended-vectors.txt
vectors:
	@./scripts/install-deps.sh test
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS) --target make_extended_vectors
	./build/tests/make_extended_vectors $(VECTORS)

# The build machine's ormakin-sim, which each cross build's tool must match
# output for output.
HOST_SIM = $(CURDIR)/build/ormakin-sim
host-sim:
	@./scripts/install-deps.sh test
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS) --target ormakin-sim

# test-target PRESET: the preset's tests with the vectors and the host's
# tool, then the reasons of the tests that skipped themselves, after the
# summary.
define test-target
ORMAKIN_VECTORS=$(VECTORS) ORMAKIN_HOST_SIM=$(HOST_SIM) ctest --preset $(1) -j $(JOBS)
@grep -h -A1 ': Skipped$$' build-$(1)/Testing/Temporary/LastTest.log | \
  grep -v -e '^--$$' -e ': Skipped$$' | sort | uniq -c || true
endef

# The core, ormakin-sim and their tests for 32-bit x86 Linux: the 32-bit
# size_t and pointer paths of the original platform. They run natively where
# the kernel runs 32-bit programs (the configure step tries one), else under
# qemu-i386; the tool must print what the host's prints.
i686:
	@./scripts/install-deps.sh i686
	$(call preset-build,linux-i686)

test-i686: i686 vectors host-sim
	$(call test-target,linux-i686)

# The core, ormakin-sim and their tests for 64-bit Arm Linux, run under
# qemu-aarch64: a target whose long double is not the x87's; the tool must
# print what the host's prints.
aarch64:
	@./scripts/install-deps.sh aarch64
	$(call preset-build,linux-aarch64)

test-aarch64: aarch64 vectors host-sim
	$(call test-target,linux-aarch64)

# The core and its tests for WebAssembly (emscripten), run under Node.
wasm:
	@./scripts/install-deps.sh wasm
	$(call preset-build,wasm)

test-wasm: wasm vectors
	$(call test-target,wasm)

# The page: the program for the browser as one self-contained HTML file,
# build-web/ormakin.html (and build-web/ormakin-assertions.html, the same
# with emscripten's assertions, for the tests of the deepest waits).
web:
	@./scripts/install-deps.sh web
	$(call preset-build,web)
	python3 scripts/build-page.py build-web

# The page (make web) in Debian's headless Chromium, driven from Node,
# against ormakin-sim built natively: its menus, boxes, runs and sweep; then
# the groups that need no file chooser in Debian's Firefox ESR. One test file
# at a time, since each starts a browser.
test-web: web
	@./scripts/install-deps.sh web-test
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS) --target ormakin-sim
	node --test --test-concurrency=1 tests/web/
	ORMAKIN_WEB_BROWSER=firefox node --test --test-concurrency=1 $(WEB_TESTS_WITHOUT_CHOOSER)

# The page's checks that Firefox runs too: headless Firefox cancels a file
# chooser at once, and WebDriver BiDi cannot answer one, so the groups that
# open courses from disk run in Chromium only, as does the settings group,
# which times the page with Chromium's long-task entries.
WEB_TESTS_WITHOUT_CHOOSER = tests/web/never_wait.test.js tests/web/program.test.js tests/web/sweep.test.js \
	tests/web/tune.test.js tests/web/window.test.js tests/web/rule_detail.test.js tests/web/language.test.js \
	tests/web/panel.test.js

# The Windows build, cross-compiled with mingw-w64: ormakin.exe and
# ormakin-sim.exe for 32-bit Windows, the program's own platform, in
# build-win32, and for 64-bit Windows in build-win64.
windows: windows32 windows64

windows32:
	@./scripts/install-deps.sh windows
	$(call preset-build,windows-i686)
	@cp examples/ormakin.ini build-win32/ormakin.ini

windows64:
	@./scripts/install-deps.sh windows
	$(call preset-build,windows-x64)
	@cp examples/ormakin.ini build-win64/ormakin.ini

# Its tests under Wine, against the Linux build's traces. A machine that
# cannot run the 32-bit build says so and goes on with the 64-bit one,
# unless ORMAKIN_REQUIRE_PE32=1 (CI) makes that a failure.
test-windows: windows vectors
	ORMAKIN_VECTORS=$(VECTORS) ./scripts/test-windows.sh

clean:
	rm -rf dist build-deps build build-release build-asan build-soft-extended build-bench build-fuzz \
	  build-linux-i686 build-linux-aarch64 build-wasm build-web build-win32 build-win64
