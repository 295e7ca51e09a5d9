# The human commands. Each installs whatever Debian packages are missing first.
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVANE_WERROR=ON
# The same code under AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer (clang).
SAN_BUILD ?= build-san
SAN_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	-DSORVANE_SANITIZE=ON -DSORVANE_FUZZ=ON -DSORVANE_WERROR=ON
FUZZ_SECONDS ?= 300

.PHONY: all deps configure build sanitized test fuzz bench run demo windows package clean

all: build

deps:
	@tools/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

sanitized: deps
	cmake -S . -B $(SAN_BUILD) $(SAN_FLAGS)
	cmake --build $(SAN_BUILD) -j $(JOBS) --target sorvane_sanitized

# Every test layer: headless, adapters, end to end; then the short fuzz runs and the simulated
# week under the sanitizers.
test: build sanitized
	cd $(BUILD) && ctest --output-on-failure
	cd $(SAN_BUILD) && ctest --output-on-failure -L 'fuzz|soak'

# Each fuzz target for FUZZ_SECONDS (default 300): executions and findings per target.
fuzz: sanitized
	tools/run-fuzzers $(SAN_BUILD) $(FUZZ_SECONDS)

# What the gauge costs next to i3status, conky and cbatticon on a private desk, its latencies,
# and its headless core per simulated hour under callgrind: figures, not tests (about 6
# minutes). The same text goes to $(BUILD)/bench/results.txt.
bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target sorvane sorvane-bench sorvane-bench-hour
	$(BUILD)/bench/sorvane-bench $(BUILD)/bench/results.txt

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

# The gauge on this desktop. Without a reachable display it says how to see it anyway.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target sorvane
	@if [ -z "$$DISPLAY" ] || ! xdpyinfo >/dev/null 2>&1; then \
		echo "No X display here (DISPLAY='$$DISPLAY'). Run 'make run' from a terminal of your desktop session,"; \
		echo "or 'DISPLAY=:0 make run' for the desktop on :0, or 'make demo' for screenshots from a private display."; \
		exit 1; \
	fi
	$(BUILD)/src/app/sorvane

# The gauge on a private virtual desktop with a simulated discharging battery; screenshots go to
# $(BUILD)/demo/.
demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target sorvane sorvane-demo
	$(BUILD)/tests/e2e/sorvane-demo $(BUILD)/src/app/sorvane $(BUILD)/demo

# Sorvane.exe and sorvane-power.exe for 64-bit Windows, cross-built with mingw-w64 into
# build-windows/. (`make test` cross-builds its own copy inside $(BUILD) and runs it under Wine.)
WIN_BUILD ?= build-windows
windows: deps
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=MinSizeRel -DSORVANE_WERROR=ON
	cmake --build $(WIN_BUILD) -j $(JOBS) --target Sorvane sorvane-power
	@ls -l $(WIN_BUILD)/Sorvane.exe $(WIN_BUILD)/sorvane-power.exe

# A .deb of the Linux desktop build, in $(BUILD)/.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) build-*
