# Tolvane: `make run` sets up, builds and starts the program; `make test` sets up, builds and runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test clean fuzz check-sanitize

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run-demo $(BUILD_DIR)

test: build
	@scripts/run-tests $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

# libFuzzer targets built with clang in build-fuzz, FUZZ_SECONDS each (default 60); fails on a finding.
fuzz: deps
	@scripts/fuzz

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer, in build-sanitize.
check-sanitize: deps
	@scripts/check-sanitize
