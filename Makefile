# make run   installs what is missing, builds, and runs the setup program
# make test  installs what is missing, builds every target, and runs every test
# make bench builds and runs the benchmarks
# make fuzz  fuzzes the package reader and kvrpack for FUZZ_SECONDS (default 600)
# make dist PAYLOAD=LIST [PAYLOAD_EARLIER=LIST]  both setups from the product's files
#           [KEY=PEM CERT=PEM [TIMESTAMP=URL]]   ... packed from signed copies of its programs
# make sign KEY=PEM CERT=PEM [TIMESTAMP=URL]     dist with signed programs, then both setups signed
# make repro builds the release once more in a fresh folder and compares it byte for byte
BUILD ?= build
JOBS ?= 2
HOST := $(BUILD)/host
WIN32 := $(BUILD)/win32
WIN32TEST := $(BUILD)/win32test
WIN64 := $(BUILD)/win64
FUZZ_SECONDS ?= 600
# make test fuzzes briefly, so that a regression on the committed corpus shows in CI.
TEST_FUZZ_SECONDS := 30
PACKAGES := $(WIN32)/generated/package135.bin $(WIN32)/generated/package139.bin
CMAKE_OPTS := -DCMAKE_BUILD_TYPE=Release -DKVR_HOST_TOOLS_DIR=$(abspath $(HOST))
# The payload lists of the two setups (kvrpack's list format, checked before
# anything is built); empty: the stand-in payload. Given on every run, so that a
# later run without them builds the stand-in again.
PAYLOAD ?=
PAYLOAD_EARLIER ?=
# The signing key and certificate (PEM files) and time-stamp server: with them, the
# payload's .exe and .dll files are signed before they are packed, and make sign
# signs the setups last. Given on every run too.
KEY ?=
CERT ?=
TIMESTAMP ?=
RELEASE_OPTS := -DKVR_PAYLOAD_LIST=$(if $(PAYLOAD),$(abspath $(PAYLOAD))) \
	-DKVR_EARLIER_PAYLOAD_LIST=$(if $(PAYLOAD_EARLIER),$(abspath $(PAYLOAD_EARLIER))) \
	-DKVR_SIGN_KEY=$(if $(KEY),$(abspath $(KEY))) -DKVR_SIGN_CERT=$(if $(CERT),$(abspath $(CERT))) \
	-DKVR_SIGN_TIMESTAMP=$(TIMESTAMP)

.PHONY: all deps host win32 win32test win64 dist sign repro test run bench fuzz clean

all: dist

deps:
	@tools/install-deps.sh

host: deps
	@cmake -S tools -B $(HOST) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(HOST) -j $(JOBS)

# The release build and the two test builds: $(call build,FOLDER,TOOLCHAIN,OPTIONS).
define build
	@cmake -S . -B $(1) -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/toolchain-$(2).cmake) $(CMAKE_OPTS) $(3) >/dev/null
	@cmake --build $(1) -j $(JOBS)
endef

win32: host
	$(call build,$(WIN32),win32,$(RELEASE_OPTS))

win32test: host
	$(call build,$(WIN32TEST),win32test,-DKVR_BUILD_TESTS=ON)

win64: host
	$(call build,$(WIN64),win64,-DKVR_BUILD_TESTS=ON $(RELEASE_OPTS))

# The two setups and the package manager's manifest of the release (dist/winget),
# whose installer addresses name the web host of the release build.
WEB_HOST = $$(sed -n 's/^KVR_MAKER_WEB_HOST:STRING=//p' $(WIN32)/CMakeCache.txt)

# The manifest names the setups' digests: it is written after their last change.
define winget_manifest
	@rm -rf dist/winget
	@/usr/bin/python3 tools/winget-manifest.py dist/winget $(WEB_HOST) \
		dist/KestrovaSetup.exe dist/KestrovaSetup-x64.exe
endef

dist: win32 win64
	@mkdir -p dist
	@cp $(WIN32)/bin/KestrovaSetup.exe dist/KestrovaSetup.exe
	@cp $(WIN64)/bin/KestrovaSetup-x64.exe dist/KestrovaSetup-x64.exe
	$(winget_manifest)
	@ls -l dist dist/winget

# Signing comes after every other change of the setups (tools/sign.sh), and the
# manifest after signing.
sign: dist
	@tools/sign.sh "$(KEY)" "$(CERT)" "$(TIMESTAMP)" dist/KestrovaSetup.exe dist/KestrovaSetup-x64.exe
	$(winget_manifest)
	@/usr/bin/python3 tools/check-winget-manifest.py dist/winget dist/KestrovaSetup.exe \
		dist/KestrovaSetup-x64.exe

repro: dist
	@tools/repro.sh $(BUILD) $(RELEASE_OPTS)

# Every test program runs on both targets: the 32-bit build under the 32-bit Wine
# loader (skipped, saying so, on a kernel without 32-bit support), the x64 build
# under wine64. The 32-bit run, the longest, goes on beside the x64 run and the
# fuzzing (each target has its own prefix, server and display); its output
# follows theirs. A failure on one does not keep the others from running.
WIN32TEST_LOG := $(BUILD)/test-win32.log

test: dist win32test
	@tools/check-release.sh dist/KestrovaSetup.exe
	@/usr/bin/python3 tools/check-winget-manifest.py dist/winget dist/KestrovaSetup.exe \
		dist/KestrovaSetup-x64.exe
	@cd $(HOST) && ctest --output-on-failure
	@status=0; \
	tools/wine-test.sh $(WIN32TEST) >$(WIN32TEST_LOG) 2>&1 & win32=$$!; \
	tools/wine-test.sh $(WIN64) || status=1; \
	tools/fuzz.sh $(BUILD) $(TEST_FUZZ_SECONDS) $(PACKAGES) || status=1; \
	wait $$win32 || status=1; \
	cat $(WIN32TEST_LOG); \
	exit $$status

# The setup program under Wine, from a fresh prefix: the 32-bit release under the
# 32-bit loader, or the x64 build under wine64 where the kernel cannot run 32-bit
# programs. With a display it runs there for the user. Without one, the
# end-to-end driver (tests/e2e) of the matching test build walks every page with
# the default choices, installs into the run's own prefix, saves a picture of
# every page under $(BUILD)/screens/ and says what it installed. Of the test
# build, only the driver and what it starts are built.
SCREENS := $(abspath $(BUILD)/screens)

run: dist
	@if tools/runs-32bit.sh; then \
		build=$(WIN32TEST); toolchain=win32test; setup=$(abspath dist/KestrovaSetup.exe); \
	else \
		echo "This kernel cannot run 32-bit programs: running dist/KestrovaSetup-x64.exe under wine64."; \
		build=$(WIN64); toolchain=win64; setup=$(abspath dist/KestrovaSetup-x64.exe); \
	fi; \
	if [ -n "$$DISPLAY" ]; then \
		tools/wine-test.sh $$build --run $$setup; \
	else \
		cmake -S . -B $$build -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake)/toolchain-$$toolchain.cmake \
			$(CMAKE_OPTS) -DKVR_BUILD_TESTS=ON >/dev/null && \
		cmake --build $$build --target e2e_tests -j $(JOBS) && \
		KVR_E2E_SETUP=$$setup tools/wine-test.sh $$build --script \
			tools/wine-e2e.sh $$build --walk --screens=$(SCREENS) && \
		ls -1 $(SCREENS)/*-96dpi.png; \
	fi

# One column per target: the 32-bit test build's benchmark under the 32-bit Wine
# loader (size rows of the 32-bit release), the x64 build's under wine64.
bench: dist win32test
	@tools/install-deps.sh --bench
	@cmake --build $(WIN64) -j $(JOBS) --target kvr_bench_large kvr_setup_medium kvr_setup_large
	@cmake --build $(WIN32TEST) -j $(JOBS) --target kvr_bench_large
	@cmake --build $(WIN32) -j $(JOBS) --target kvr_setup_medium kvr_setup_large
	@tools/bench.sh $(BUILD)/bench x64=$(WIN64) win32=$(WIN32TEST),$(WIN32)

fuzz: win32
	@tools/fuzz.sh $(BUILD) $(FUZZ_SECONDS) $(PACKAGES)

clean:
	rm -rf $(BUILD) dist
