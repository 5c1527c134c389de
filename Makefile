# The two commands a new user runs: `make run` and `make test`. Both install what is missing.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME ?= 180
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: run test test-asan deps configure build build-asan bench fuzz clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The core and the tools once more with AddressSanitizer and UndefinedBehaviorSanitizer; any
# report fails the run.
build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORROW_SANITIZE=ON \
	  -DMORROW_BUILD_GUI=OFF -DMORROW_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	@scripts/run-sample.sh $(BUILD)

test: build build-asan
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The libFuzzer targets (clang): reader, whole move, BMP encoder, each for FUZZ_TIME seconds.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DMORROW_FUZZ=ON -DMORROW_BUILD_GUI=OFF -DMORROW_BUILD_TESTS=OFF -DMORROW_BUILD_BENCH=OFF \
	  -DMORROW_WERROR=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@cmake --build $(FUZZ_BUILD) --target fuzz-seeds >/dev/null
	@FUZZ_TIME=$(FUZZ_TIME) fuzz/run-fuzz.sh $(FUZZ_BUILD)

# The pipeline on Google Benchmark, the plain warp beside the product's: medians with their spread.
bench: build
	@cmake --build $(BUILD) --target morrow-bench
	@$(BUILD)/tools/morrow-bench/morrow-bench --benchmark_repetitions=10 \
	  --benchmark_report_aggregates_only=true $(BENCH_FLAGS)
	@cmake --build $(BUILD) --target bench_navigation_gui
	@LIBGL_ALWAYS_SOFTWARE=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
	  $(BUILD)/tests/ui/bench_navigation_gui --benchmark_repetitions=10 \
	  --benchmark_report_aggregates_only=true $(BENCH_FLAGS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
