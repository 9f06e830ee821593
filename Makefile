# Tolvane: `make run` sets up, builds and starts the program; `make test` sets up, builds and runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

# What the demo runs: the program (its help files come with the configuration) and two simulators.
DEMO_TARGETS = tolvane rotator-sim teskarn-feed

# The build's own makes would otherwise announce every folder they enter.
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build run test clean fuzz check-sanitize deb check-deb windows

all: build

deps:
	@scripts/install-deps

# Quiet unless it fails: then the whole log says why.
configure: deps
	@mkdir -p $(BUILD_DIR)
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >$(BUILD_DIR)/configure.log 2>&1 \
		|| { cat $(BUILD_DIR)/configure.log; exit 1; }

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Only what the demo needs; the tests and benchmarks wait for `make test`.
run: configure
	@echo "make run: building Tolvane and its simulators"
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target $(DEMO_TARGETS)
	@scripts/run-demo $(BUILD_DIR)

# The Linux suite, then the Windows build's tests under Wine (the first run builds Qt for Windows, once).
test: build
	@scripts/run-tests $(BUILD_DIR)
	@JOBS=$(JOBS) TOLVANE_LINUX_BIN=$(abspath $(BUILD_DIR))/bin scripts/test-windows

clean:
	rm -rf $(BUILD_DIR)

# libFuzzer targets built with clang in build-fuzz, FUZZ_SECONDS each (default 60); fails on a finding.
fuzz: deps
	@scripts/fuzz

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer, in build-sanitize.
check-sanitize: deps
	@scripts/check-sanitize

# The Debian package tolvane_<version>_<arch>.deb, built with Debian's flags and tools in build-deb.
deb: deps
	@JOBS=$(JOBS) scripts/build-deb

# Builds the package, checks it with lintian, installs it with apt, tries the installed programs and purges it.
# Not part of `make test`: it changes the machine it runs on (as root).
check-deb: deb
	@scripts/check-deb

# Tolvane for 64-bit Windows, cross-built with MinGW-w64 and Qt built once per machine (in ~/.cache).
windows: deps
	@JOBS=$(JOBS) scripts/build-windows
