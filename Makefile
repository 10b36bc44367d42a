# make run   installs what is missing, builds, and runs the setup program
# make test  installs what is missing, builds both targets, and runs every test
# make bench builds and runs the benchmarks
BUILD ?= build
JOBS ?= 2
HOST := $(BUILD)/host
WIN32 := $(BUILD)/win32
WIN64 := $(BUILD)/win64
CMAKE_OPTS := -DCMAKE_BUILD_TYPE=Release -DKVR_HOST_TOOLS_DIR=$(abspath $(HOST))

.PHONY: all deps host win32 win64 dist test run bench clean

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

run: dist
	@tools/wine-test.sh $(WIN64) --run $(abspath dist/KestrovaSetup-x64.exe)

bench: dist
	@tools/wine-test.sh $(WIN64) --run $(abspath $(WIN64)/bin/kvr_bench.exe)

clean:
	rm -rf $(BUILD) dist
