# make run   installs what is missing, builds, and opens the window on a sample season
# make test  installs what is missing (the test packages too), builds, and runs every test
BUILD ?= build
WINDOWS_BUILD ?= build-windows
SANITIZE ?= OFF
FUZZ_SECONDS ?= 60
BENCH_ARGS ?=
CMAKE_FLAGS ?=
# `make build` and `make run` install only what building and running need, and build the tests
# when GoogleTest is already there (AUTO); the test targets install the test packages as well
# and require the tests (ON). Both configure the same build, so one after the other recompiles
# nothing.
TESTS ?= AUTO
TEST_DEPS ?= 0
# Development builds treat warnings as errors; a plain `cmake` build (a user's, a packager's)
# does not.
DEV_FLAGS = -DGAMEFOLD_WERROR=ON

.PHONY: all deps configure build run test sanitize-test tsan-season release-test bench bench-short fuzz \
	fuzz-build fuzz-smoke package package-test windows windows-test clean

all: build

deps:
	@GAMEFOLD_TEST_DEPS=$(TEST_DEPS) tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DGAMEFOLD_TESTS=$(TESTS) -DGAMEFOLD_SANITIZE=$(SANITIZE) \
		$(DEV_FLAGS) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run: build
	tools/run-sample.sh $(BUILD)

test:
	$(MAKE) build TESTS=ON TEST_DEPS=1
	ctest --test-dir $(BUILD) --output-on-failure

# The optimised build with its tests, less the slow ones (chromium, a 200 MB input).
release-test:
	$(MAKE) build BUILD=build-release TESTS=ON TEST_DEPS=1 \
		CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)"
	ctest --test-dir build-release --output-on-failure -LE slow

# Season-sized benchmarks in an optimised build of their own; prints the tables.
bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGAMEFOLD_GUI=ON \
		-DGAMEFOLD_BENCH=ON $(DEV_FLAGS)
	cmake --build build-bench
	build-bench/bench/batch_bench $(BENCH_ARGS)
	QT_QPA_PLATFORM=offscreen build-bench/bench/window_bench $(BENCH_ARGS)
	@if [ -x build-bench/bench/catalogue_bench ]; then build-bench/bench/catalogue_bench; fi

# The benchmarks on a few days, once each: proves that they build and run, measures nothing.
bench-short:
	$(MAKE) bench BENCH_ARGS=--short

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize-test:
	$(MAKE) test BUILD=build-sanitize SANITIZE=ON

# gamefold-batch under ThreadSanitizer on a full sample season: a fresh process, one over
# current pages, a durable one. Any report of a race ends it with a failure.
TSAN_SEASON = build-tsan/season
tsan-season: deps
	cmake -S . -B build-tsan -G Ninja -DGAMEFOLD_TSAN=ON -DGAMEFOLD_GUI=OFF $(DEV_FLAGS) $(CMAKE_FLAGS)
	cmake --build build-tsan --target gamefold-batch gamefold-sample-season
	build-tsan/tools/gamefold-sample-season --force --days 180 $(TSAN_SEASON)/in
	rm -rf $(TSAN_SEASON)/out && mkdir -p $(TSAN_SEASON)/out
	export TSAN_OPTIONS=halt_on_error=1:exitcode=66; \
	for args in "" "--all" "--durable"; do \
		build-tsan/src/batch/gamefold-batch process -q $$args --content 3 --index \
			$(TSAN_SEASON)/in $(TSAN_SEASON)/out || exit 1; \
	done

# The libFuzzer targets, built with clang in build-fuzz; each runs FUZZ_SECONDS, one at a time.
fuzz-build:
	@GAMEFOLD_FUZZ_DEPS=1 tools/install-deps.sh
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DGAMEFOLD_FUZZ=ON -DGAMEFOLD_GUI=OFF \
		$(DEV_FLAGS)
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
	  -DGAMEFOLD_GUI=OFF -DGAMEFOLD_TESTS=ON $(DEV_FLAGS) $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_BUILD)

# Runs them under Wine (its prefix kept in build-windows/), then compares the pages of
# gamefold-batch.exe with those of the Linux build, byte for byte.
windows-test: windows
	$(MAKE) build BUILD=$(BUILD) CMAKE_FLAGS="$(CMAKE_FLAGS)"
	tools/windows-test.sh $(WINDOWS_BUILD) $(BUILD)

# build/gamefold_<version>_amd64.deb from a release build of its own (build/package), as a
# packager builds it: Debian's hardening flags, no tests, warnings not errors. Then lintian,
# which must stay silent.
package:
	@GAMEFOLD_PACKAGE_DEPS=1 tools/install-deps.sh
	eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)" && CXXFLAGS="$$CXXFLAGS $$CPPFLAGS" \
		cmake -S . -B $(BUILD)/package -G Ninja \
		-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DGAMEFOLD_DEBIAN_PACKAGE=ON \
		-DGAMEFOLD_PACKAGE_OUTPUT_DIR=$(abspath $(BUILD)) $(CMAKE_FLAGS)
	cmake --build $(BUILD)/package
	rm -f $(BUILD)/gamefold_*_amd64.deb
	cd $(BUILD)/package && cpack -G DEB
	lintian --fail-on error,warning $(BUILD)/gamefold_*_amd64.deb

# Installs the package into a clean Debian 12 root and uses it there (packaging/package-test.sh).
package-test: package
	@GAMEFOLD_PACKAGE_TEST_DEPS=1 tools/install-deps.sh
	packaging/package-test.sh $(BUILD)

clean:
	rm -rf build build-sanitize build-fuzz build-bench build-release build-tsan build-windows
