# The front door: `make run` and `make test` do all the set-up on a fresh
# Debian 12 machine. Each target configures and builds through a preset of
# CMakePresets.json, one build tree per preset.
JOBS ?= $(shell nproc)

.PHONY: all deps build run test asan bench soak fuzz format tidy clean \
	windows windows32 windows64 test-windows i686 test-i686

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

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display is available here: run 'make run' from a desktop session (or under xvfb-run)."; \
	  exit 1; \
	fi
	cd build && ./ormakin

test:
	@./scripts/install-deps.sh test
	$(call preset-build,default)
	@cp examples/ormakin.ini build/ormakin.ini
	ctest --preset default -j $(JOBS)

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

# The core and its tests for 32-bit x86 Linux, run under qemu-i386: the
# 32-bit size_t and pointer paths of the original platform.
i686:
	@./scripts/install-deps.sh i686
	$(call preset-build,linux-i686)

test-i686: i686
	ctest --preset linux-i686 -j $(JOBS)

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

# Its tests under Wine, against the Linux build's traces.
test-windows: windows
	./scripts/test-windows.sh

clean:
	rm -rf build build-release build-asan build-bench build-fuzz build-linux-i686 build-win32 build-win64
