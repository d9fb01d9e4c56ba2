# Wraps CMake. `make demo` runs Kelvane on the default emulated device,
# `make check` runs every test; both first install what the build needs.
#   SANITIZE=address|thread  sanitizer build (in its own build folder)
#   CTEST_ARGS=...           passed to ctest (for example -L concurrency)
SANITIZE ?=
BUILD ?= build$(if $(SANITIZE),-$(SANITIZE),)
JOBS ?= $(shell nproc)
CTEST_ARGS ?=

.PHONY: all deps build demo check bench clean

all: build

deps:
	@bash tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_SANITIZE=$(SANITIZE)
	cmake --build $(BUILD) -j$(JOBS)

demo: build
	@bash tools/demo.sh $(BUILD)

check: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300 $(CTEST_ARGS)

bench: build
	@bash tools/run-benchmarks.sh $(BUILD)

clean:
	rm -rf build build-address build-thread
