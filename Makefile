# make run   installs what is missing, builds, and opens the window on a sample season
# make test  installs what is missing, builds, and runs every test
BUILD ?= build
WINDOWS_BUILD ?= build-windows
SANITIZE ?= OFF
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test sanitize-test bench fuzz fuzz-build fuzz-smoke clean \
	windows windows-test

all: build

deps:
	@tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DGAMEFOLD_SANITIZE=$(SANITIZE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run: build
	tools/run-sample.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure

# Season-sized benchmarks in an optimised build of their own; prints the tables.
bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGAMEFOLD_GUI=OFF
	cmake --build build-bench
	build-bench/bench/batch_bench
	@if [ -x build-bench/bench/catalogue_bench ]; then build-bench/bench/catalogue_bench; fi

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize-test:
	$(MAKE) test BUILD=build-sanitize SANITIZE=ON

# The libFuzzer targets, built with clang in build-fuzz; each runs FUZZ_SECONDS, one at a time.
fuzz-build:
	@GAMEFOLD_FUZZ_DEPS=1 tools/install-deps.sh
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DGAMEFOLD_FUZZ=ON -DGAMEFOLD_GUI=OFF
	cmake --build build-fuzz --target fuzzers

fuzz: fuzz-build
	fuzz/run.sh $(FUZZ_SECONDS)

# A short run of every target: replays the kept findings, then fuzzes 10 s each.
fuzz-smoke: fuzz-build
	fuzz/run.sh 10

# The core, gamefold-batch, the sample season generator and the unit tests for 64-bit Windows,
# cross-compiled with MinGW-w64 into build-windows/.
windows:
	@GAMEFOLD_WINDOWS_DEPS=1 tools/install-deps.sh
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DGAMEFOLD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_BUILD)

# Runs them under Wine (its prefix kept in build-windows/), then compares the pages of
# gamefold-batch.exe with those of the Linux build, byte for byte.
windows-test: windows
	$(MAKE) build BUILD=$(BUILD) CMAKE_FLAGS="$(CMAKE_FLAGS)"
	tools/windows-test.sh $(WINDOWS_BUILD) $(BUILD)

clean:
	rm -rf build build-sanitize build-fuzz build-bench build-windows
