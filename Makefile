# make run   installs what is missing, builds, and opens the window on a sample season
# make test  installs what is missing, builds, and runs every test
BUILD ?= build
SANITIZE ?= OFF
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test sanitize-test bench fuzz clean

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

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize-test:
	$(MAKE) test BUILD=build-sanitize SANITIZE=ON

clean:
	rm -rf build build-sanitize build-fuzz build-bench
