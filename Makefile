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

# The setup program under Wine, from a fresh prefix. With a display it runs there
# for the user. Without one, the end-to-end driver (tests/e2e) walks every page
# with the default choices, installs into the run's own prefix, saves a picture of
# every page under $(BUILD)/screens/ and says what it installed.
# RUN_BUILD is the test build whose driver and loader are used: its setup is the
# one that runs (win64: dist/KestrovaSetup-x64.exe under wine64).
RUN_BUILD := $(WIN64)
RUN_SETUP := $(abspath dist/KestrovaSetup-x64.exe)
SCREENS := $(abspath $(BUILD)/screens)

run: dist
	@if [ -n "$$DISPLAY" ]; then \
		tools/wine-test.sh $(RUN_BUILD) --run $(RUN_SETUP); \
	else \
		KVR_E2E_SETUP=$(RUN_SETUP) tools/wine-test.sh $(RUN_BUILD) --script \
			tools/wine-e2e.sh $(RUN_BUILD) --walk --screens=$(SCREENS) && \
		ls -1 $(SCREENS)/*.png; \
	fi

bench: dist
	@tools/wine-test.sh $(WIN64) --run $(abspath $(WIN64)/bin/kvr_bench.exe)

clean:
	rm -rf $(BUILD) dist
