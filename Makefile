# Thin wrapper around CMake. `make run` builds the Release engine and starts it
# on this terminal; `make test` builds and runs every test through CTest.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build run test bench sanitize clean

all: build

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	./$(BUILD_DIR)/pbrain-pebblon

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# Micro-benchmarks, then the engine's own benchmark (figures on stderr).
bench: build
	@if [ -x $(BUILD_DIR)/bench/pebblon_bench ]; then ./$(BUILD_DIR)/bench/pebblon_bench; fi
	./$(BUILD_DIR)/pbrain-pebblon BENCH

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	$(MAKE) test BUILD_DIR=build-sanitize CMAKE_FLAGS=-DPEBBLON_SANITIZE=ON

clean:
	rm -rf build build-sanitize
