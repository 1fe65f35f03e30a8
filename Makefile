# Front door: `make run` builds and runs the default build, `make test` builds and runs every test.
BUILD ?= build
GENERATOR ?= Ninja
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Warnings are errors in CI (which sets CI=true) and wherever WERROR=ON is given.
WERROR ?= $(if $(CI),ON,OFF)

.PHONY: deps configure build run test bench format clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G $(GENERATOR) $(CMAKE_FLAGS) -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	./$(BUILD)/scenario-compactor

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

# The benchmark table: whole processes side by side with their I/O floors, time per km, peak
# memory and stage shares (BENCH_PAIRS pairs, 31 by default). The Google Benchmark runs of the
# stages: $(BUILD)/bench/sc_bench.
BENCH_PAIRS ?= 31
bench: build
	$(BUILD)/bench/sc_bench_table $(BENCH_PAIRS)

format:
	@clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD)
