# Thin wrapper around CMake. `make run` builds the Release engine and starts it
# on this terminal; `make play` builds it and starts the local web board;
# `make test` builds and runs every test through CTest; `make fuzz` builds the
# libFuzzer targets with clang and runs each one for FUZZ_SECONDS; `make
# windows` cross-builds the Windows executable and its zip, `make windows-test`
# runs the end-to-end tests against it under wine.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build run play board-test test bench sanitize tsan fuzz windows windows-test clean

all: build

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	./$(BUILD_DIR)/pbrain-pebblon

# The web board (tools/board) on a loopback address; it prints the page's
# address. Server options go in PLAY_FLAGS, e.g. PLAY_FLAGS="--port 9000 --threads 2".
PLAY_FLAGS ?=
play: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS) --target pbrain-pebblon
	python3 tools/board/board_server.py --engine $(BUILD_DIR)/pbrain-pebblon $(PLAY_FLAGS)

# The board's tests: the server without a browser, then the page in Debian's
# headless chromium (needs chromium, and playwright-core from npm ci).
board-test: build
	python3 -m unittest discover -s tools/board -p 'test_*.py'
	cd tools/board && if [ ! -d node_modules/playwright-core ]; then npm ci --no-audit --no-fund; fi
	cd tools/board && PEBBLON_ENGINE=$(abspath $(BUILD_DIR))/pbrain-pebblon node --test browser.test.mjs

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# Micro-benchmarks, then the engine's own benchmark (figures on stderr).
bench: build
	@if [ -x $(BUILD_DIR)/bench/pebblon_bench ]; then ./$(BUILD_DIR)/bench/pebblon_bench; fi
	./$(BUILD_DIR)/pbrain-pebblon BENCH

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	$(MAKE) test BUILD_DIR=build-sanitize CMAKE_FLAGS=-DPEBBLON_SANITIZE=ON

# The tests where several threads search, built with ThreadSanitizer in
# build-tsan/. A data race ends the engine (exit status 66) or the test
# program, which fails the test.
TSAN_TESTS ?= ThreadPool*:SearchThread*:IterateTest*:ThreadedSearch*:ThreadsE2E*
tsan:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPEBBLON_TSAN=ON -DPEBBLON_BENCHMARKS=OFF
	cmake --build build-tsan -j$(JOBS) --target pebblon_tests pbrain-pebblon
	TSAN_OPTIONS="halt_on_error=1 exitcode=66" ./build-tsan/tests/pebblon_tests --gtest_filter='$(TSAN_TESTS)'

# Each fuzz target in turn, one process, for FUZZ_SECONDS; a crash, a hang
# (a run over 10 s) or a sanitizer report fails the target. New inputs are
# kept in build-fuzz/corpus/<target>, findings in build-fuzz/artifacts/.
FUZZ_SECONDS ?= 60
FUZZ_DIR ?= build-fuzz
FUZZ_TARGETS ?= protocol_fuzz picture_fuzz numbers_fuzz

fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPEBBLON_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target $(FUZZ_TARGETS)
	@mkdir -p $(FUZZ_DIR)/artifacts
	@set -e; for target in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$target; \
	  echo "== $$target for $(FUZZ_SECONDS) s"; \
	  ./$(FUZZ_DIR)/fuzz/$$target $(FUZZ_DIR)/corpus/$$target fuzz/corpus/$$target \
	    -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_DIR)/artifacts/$$target- \
	    $$(if [ -f fuzz/$$target.dict ]; then echo -dict=fuzz/$$target.dict; fi) ; \
	done

# The Windows executable (64-bit, Release, statically linked) cross-built
# with MinGW-w64 in build-windows/, and the tournament zip holding it at its
# root. The table generator runs on this machine: it comes from $(BUILD_DIR).
WINDOWS_DIR ?= build-windows
windows: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS) --target pebblon_tablegen
	cmake -S . -B $(WINDOWS_DIR) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
	  -DPEBBLON_TABLEGEN=$(abspath $(BUILD_DIR))/tools/tablegen/pebblon_tablegen
	cmake --build $(WINDOWS_DIR) -j$(JOBS) --target pbrain-pebblon
	cd $(WINDOWS_DIR) && rm -f pbrain-pebblon.zip && cmake -E tar cf pbrain-pebblon.zip --format=zip pbrain-pebblon.exe

# The end-to-end tests of the Linux test program, run against the Windows
# executable under wine (PEBBLON_ENGINE), BENCH's node count among them. Left
# out: the memory test, which reads the process's resident size, and under
# wine that counts wine's own libraries and its mapping of the whole image.
# Wine's prefix lives in the build folder; its first start (a few seconds
# to a minute) is taken before the tests, and wineserver -w waits until
# the wine server has ended after the last engine.
WINE_E2E_TESTS ?= *E2E*:Rules/SelfPlayGame*:-MemoryE2E*
# One wine server stays up for the whole run (-p, ended by -k): left to
# itself it ends with each engine, and the next engine, started while it
# shuts down, can die before its first line.
windows-test: export WINEPREFIX := $(abspath $(WINDOWS_DIR))/wine
windows-test: export WINEDEBUG := -all
windows-test: export WINEDLLOVERRIDES := mscoree,mshtml=
# First the tests of what differs between systems (tests/platform), built
# for Windows: memory committed only as it is touched. Wine commits a
# thread's whole stack when the thread starts (Windows commits it as the
# frames reach it), so the stack's test runs on Linux only.
WINE_PLATFORM_TESTS ?= -LargeBlock.AThreadStack*
windows-test: build windows
	cmake --build $(WINDOWS_DIR) -j$(JOBS) --target pebblon_platform_tests
	wineboot --init
	wineserver -w
	wineserver -p
	wine $(WINDOWS_DIR)/pebblon_platform_tests.exe --gtest_filter='$(WINE_PLATFORM_TESTS)' && \
	PEBBLON_ENGINE="wine $(abspath $(WINDOWS_DIR))/pbrain-pebblon.exe" \
	  ./$(BUILD_DIR)/tests/pebblon_tests --gtest_filter='$(WINE_E2E_TESTS)'; \
	  status=$$?; wineserver -k; wineserver -w; exit $$status

clean:
	rm -rf build build-sanitize build-tsan build-fuzz build-windows
