# make run   installs what is missing, builds, and runs the setup program
# make test  installs what is missing, builds both targets, and runs every test
# make bench builds and runs the benchmarks
# make fuzz  fuzzes the package reader and kvrpack for FUZZ_SECONDS (default 600)
BUILD ?= build
JOBS ?= 2
HOST := $(BUILD)/host
WIN32 := $(BUILD)/win32
WIN64 := $(BUILD)/win64
FUZZ_SECONDS ?= 600
# make test fuzzes briefly, so that a regression on the committed corpus shows in CI.
TEST_FUZZ_SECONDS := 15
PACKAGES := $(WIN32)/generated/package135.bin $(WIN32)/generated/package139.bin
CMAKE_OPTS := -DCMAKE_BUILD_TYPE=Release -DKVR_HOST_TOOLS_DIR=$(abspath $(HOST))

.PHONY: all deps host win32 win64 dist test run bench fuzz clean

all: dist

deps:
	@tools/install-deps.sh

host: deps
	@cmake -S tools -B $(HOST) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(HOST) -j $(JOBS)

win32: host
	@cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/toolchain-win32.cmake) $(CMAKE_OPTS) >/dev/null
	@cmake --build $(WIN32) -j $(JOBS)

win64: host
	@cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/toolchain-win64.cmake) $(CMAKE_OPTS) -DKVR_BUILD_TESTS=ON >/dev/null
	@cmake --build $(WIN64) -j $(JOBS)

dist: win32 win64
	@mkdir -p dist
	@cp $(WIN32)/bin/KestrovaSetup.exe dist/KestrovaSetup.exe
	@cp $(WIN64)/bin/KestrovaSetup-x64.exe dist/KestrovaSetup-x64.exe
	@ls -l dist

test: dist
	@tools/check-release.sh dist/KestrovaSetup.exe
	@cd $(HOST) && ctest --output-on-failure
	@tools/wine-test.sh $(WIN64)
	@tools/fuzz.sh $(BUILD) $(TEST_FUZZ_SECONDS) $(PACKAGES)

# The setup is a GUI program: it runs under Wine on the current display. Without
# one there is nobody to answer it, so only the build is reported.
run: dist
	@if [ -n "$$DISPLAY" ]; then \
		tools/wine-test.sh $(WIN64) --run $(abspath dist/KestrovaSetup-x64.exe); \
	else \
		echo "No DISPLAY: built dist/KestrovaSetup.exe (32-bit release) and dist/KestrovaSetup-x64.exe;"; \
		echo "run 'make run' from a desktop session to see the setup under Wine."; \
	fi

# The 32-bit release gets its size rows; its benchmark needs a 32-bit Wine.
bench: dist
	@tools/install-deps.sh --bench
	@cmake --build $(WIN64) -j $(JOBS) --target kvr_bench_large
	@tools/bench.sh $(BUILD)/bench x64=$(WIN64) --sizes win32=$(WIN32)

fuzz: win32
	@tools/fuzz.sh $(BUILD) $(FUZZ_SECONDS) $(PACKAGES)

clean:
	rm -rf $(BUILD) dist
