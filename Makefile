# The front door: `make run` and `make test` do all the set-up on a fresh
# Debian 12 machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test asan bench soak fuzz format tidy clean windows windows32 windows64 test-windows

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)
	@cp examples/ormakin.ini $(BUILD)/ormakin.ini

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display is available here: run 'make run' from a desktop session (or under xvfb-run)."; \
	  exit 1; \
	fi
	cd $(BUILD) && ./ormakin

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORMAKIN_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

# Benchmarks, built in Release in a tree of their own (the start-up bench
# drives the window's classes, so with Qt); prints the performance table and
# writes it to docs/performance.md.
bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DORMAKIN_GUI=ON \
	  -DORMAKIN_TESTS=OFF -DORMAKIN_BENCH=ON
	cmake --build build-bench -j $(JOBS) --target benchmarks
	./scripts/run-benchmarks.sh build-bench

# A million ticks with a frame each; memory must not grow. Takes minutes.
soak: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DORMAKIN_BENCH=ON
	cmake --build build-bench -j $(JOBS) --target soak_bench
	./build-bench/bench/soak_bench

# libFuzzer targets under sanitizers (clang); FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 60
fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORMAKIN_GUI=OFF -DORMAKIN_TESTS=OFF -DORMAKIN_FUZZ=ON -DORMAKIN_SANITIZE=ON
	cmake --build build-fuzz -j $(JOBS)
	./scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

tidy: build
	clang-tidy -p $(BUILD) $$(git ls-files 'src/*.cpp')

# The Windows build, cross-compiled with mingw-w64: ormakin.exe and
# ormakin-sim.exe for 32-bit Windows, the program's own platform, in
# build-win32, and for 64-bit Windows in build-win64.
WIN_CMAKE = cmake -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -S src/win
windows: windows32 windows64

windows32:
	@./scripts/install-windows-deps.sh
	$(WIN_CMAKE) -B build-win32 -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake
	cmake --build build-win32 -j $(JOBS)
	@cp examples/ormakin.ini build-win32/ormakin.ini

windows64:
	@./scripts/install-windows-deps.sh
	$(WIN_CMAKE) -B build-win64 -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake
	cmake --build build-win64 -j $(JOBS)
	@cp examples/ormakin.ini build-win64/ormakin.ini

# Its tests under Wine, against the Linux build's traces.
test-windows: windows
	./scripts/test-windows.sh

clean:
	rm -rf $(BUILD) build-asan build-bench build-fuzz build-win32 build-win64
