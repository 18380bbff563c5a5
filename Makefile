# The front door. `make run` and `make test` install what is missing, configure, build and act.

PRESET ?= dev
PORT ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages the build and the tests need. The fuzzer's runtime comes with clang on some
# releases and in libclang-rt-dev on others.
PACKAGES := cmake ninja-build g++ clang qt6-base-dev qt6-serialport-dev \
            libgtest-dev libgmock-dev libbenchmark-dev
OPTIONAL_PACKAGES := libclang-rt-dev

# Warnings are errors wherever CI builds.
CMAKE_FLAGS := $(if $(CI),-DORVANE_WERROR=ON,)

.PHONY: all deps configure build test unit e2e asan fuzz fuzz-long bench run install clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || printf ' %s' $$p; \
	  done); \
	for p in $(OPTIONAL_PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || \
	    { apt-cache show $$p >/dev/null 2>&1 && missing="$$missing $$p"; }; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing Debian packages. Install them with:"; \
	    echo "  sudo apt-get install$$missing"; \
	    exit 1; \
	  fi; \
	fi

configure: deps
	cmake --preset $(PRESET) $(CMAKE_FLAGS)

build: configure
	cmake --build --preset $(PRESET) -j $(JOBS)

test: PRESET = dev
test: build
	ctest --preset dev -j $(JOBS)

unit: PRESET = dev
unit: build
	ctest --preset unit -j $(JOBS)

e2e: PRESET = dev
e2e: build
	ctest --preset e2e

asan: PRESET = asan
asan: build
	ctest --preset asan -j $(JOBS)

FUZZ_SECONDS ?= 60
fuzz: PRESET = fuzz
fuzz: build
	tools/run-fuzz.sh build/fuzz $(FUZZ_SECONDS)

# Ten minutes, for volume: the long run before a release, not CI's.
fuzz-long: PRESET = fuzz
fuzz-long: build
	FUZZ_FLAGS=-entropic=0 tools/run-fuzz.sh build/fuzz 600

bench: PRESET = release
bench: build
	build/release/bench/link_bench
	bench/startup/run.sh build/release

run: PRESET = release
run: build
	tools/run.sh build/release $(PORT)

install: PRESET = release
install: build
	cmake --install build/release

clean:
	rm -rf build
