# The human commands. Each installs whatever Debian packages are missing first.
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVANE_WERROR=ON

.PHONY: all deps build test run windows package clean

all: build

deps:
	@tools/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

# Every test layer: headless, adapters, end to end.
test: build
	cd $(BUILD) && ctest --output-on-failure

run: build
	@echo "The Linux desktop build is not there yet: 'make test' builds and tests the core."

clean:
	rm -rf $(BUILD) build-*
