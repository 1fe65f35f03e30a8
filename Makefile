# Front door: `make run` builds and runs the default build, `make test` builds and runs every test.
BUILD ?= build
GENERATOR ?= Ninja
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Warnings are errors in CI (which sets CI=true) and wherever WERROR=ON is given.
WERROR ?= $(if $(CI),ON,OFF)

# The Windows program, cross-built (see cmake/mingw-w64-x86_64.cmake) and tested under Wine.
WIN_BUILD ?= build-windows
WIN_ZIP ?= scenario-compactor-windows-x86_64.zip
WIN_FILES = scenario-compactor.exe scenario-compactor-cli.exe

.PHONY: deps configure build run test bench format clean deps-windows windows test-windows

deps:
	@scripts/install-deps.sh

# Only deps, run and test check the packages (and say what they install), and windows and
# test-windows the cross compiler and Wine besides; build and bench take the machine as it is.
configure:
	@cmake -S . -B $(BUILD) -G $(GENERATOR) $(CMAKE_FLAGS) -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: deps build
	./$(BUILD)/scenario-compactor

test: deps build
	ctest --test-dir $(BUILD) --output-on-failure -j2

# The benchmark table: whole processes side by side with their I/O floors, time per km, peak
# memory and stage shares (BENCH_PAIRS pairs, 31 by default). The Google Benchmark runs of the
# stages: $(BUILD)/bench/sc_bench.
BENCH_PAIRS ?= 31
bench: build
	$(BUILD)/bench/sc_bench_table $(BENCH_PAIRS)

deps-windows:
	@scripts/install-deps.sh windows

# Statically linked executables, packed with the README.
windows: deps-windows
	@cmake -S . -B $(WIN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WERROR) -DSC_NATIVE_BUILD=$(abspath $(BUILD)) >/dev/null
	@cmake --build $(WIN_BUILD)
	@rm -rf $(WIN_BUILD)/package $(WIN_ZIP)
	@mkdir -p $(WIN_BUILD)/package
	@cp $(addprefix $(WIN_BUILD)/,$(WIN_FILES)) README.md $(WIN_BUILD)/package/
	@cd $(WIN_BUILD)/package && zip -q -X $(abspath $(WIN_ZIP)) $(WIN_FILES) README.md
	@echo "packed $(WIN_ZIP): $(WIN_FILES) README.md"

# The Wine tests compare the Windows program with the native one.
test-windows: deps windows build
	ctest --test-dir $(WIN_BUILD) --output-on-failure -j2

format:
	@clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD) $(WIN_BUILD) $(WIN_ZIP)
