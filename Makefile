# Wraps CMake. `make demo` runs Kelvane on the default emulated device,
# `make check` runs every test; both first install what the build needs.
#   SANITIZE=address|thread  sanitizer build (in its own build folder)
#   CTEST_ARGS=...           passed to ctest (for example -L concurrency)
SANITIZE ?=
BUILD ?= build$(if $(SANITIZE),-$(SANITIZE),)
JOBS ?= $(shell nproc)
CTEST_ARGS ?=

.PHONY: all deps configure build demo check bench clean

all: build

deps:
	@bash tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_SANITIZE=$(SANITIZE) > /dev/null

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Only what the demo runs, so a demo on a built tree starts at once.
demo: configure
	@cmake --build $(BUILD) -j$(JOBS) --target demo_programs
	@bash tools/demo.sh $(BUILD)

check: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300 $(CTEST_ARGS)

bench: build
	@bash tools/run-benchmarks.sh $(BUILD)

clean:
	rm -rf build build-address build-thread
