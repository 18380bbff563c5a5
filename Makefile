# SPDX-License-Identifier: Apache-2.0
# The front door. `make run` and `make test` install what is missing, configure, build and act.

PRESET ?= dev
PORT ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages the build and the tests need. The fuzzer's runtime comes with clang on some
# releases and in libclang-rt-dev on others. scdoc writes the man pages; desktop-file-utils
# checks the desktop entry in the install test. ansible-core runs the collection's playbooks.
PACKAGES := cmake ninja-build g++ clang qt6-base-dev qt6-serialport-dev \
            libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
            scdoc desktop-file-utils ansible-core
OPTIONAL_PACKAGES := libclang-rt-dev
# Only the packaging check needs lintian (and its many Perl modules); only the start-up
# benchmark needs Xvfb, to draw on a real X server.
EXTRA_PACKAGES :=

# Warnings are errors wherever CI builds.
CMAKE_FLAGS := $(if $(CI),-DORVANE_WERROR=ON,)

.PHONY: help all deps configure build test unit e2e asan fuzz fuzz-long bench bench-ctl bench-rows bench-fleet run install package \
        lint-package clean

help:
	@echo "make run [PORT=/dev/ttyACM0]  build and start orvane-config (against orvane-sim without PORT)"
	@echo "make test                     build and run every test (unit, integration, e2e)"
	@echo "make unit | e2e               one test group"
	@echo "make asan                     the tests under AddressSanitizer and UBSan"
	@echo "make fuzz [FUZZ_SECONDS=60]   a bounded fuzz run"
	@echo "make fuzz-long                ten minutes of fuzzing"
	@echo "make bench                    receive-path benchmark (10 repetitions), start-up and footprint"
	@echo "make bench-ctl [REPS=5]        orvanectl against paced simulated receivers: apply, detect, four, drops, rollback"
	@echo "make bench-fleet [FLEET_REPS=3] 32 paced receivers on TCP: one orvanectl against one receiver, and Ansible"
	@echo "make bench-rows               orvanectl's CPU time per row for 1,000 to 100,000 rows (about 10 min)"
	@echo "make install                  install the Release build (prefix /usr/local)"
	@echo "make package                  the Debian packages orvane-config, orvane-sim and orvane-ansible"
	@echo "make lint-package             the packages, then lintian and desktop-file-validate on them"
	@echo "make build [PRESET=dev]       configure and build one preset (dev, release, asan, fuzz)"
	@echo "make clean                    remove build/"
	@echo "Each target first installs the Debian packages the build needs (as root), or names them."

all: build

deps:
	@missing=$$(for p in $(PACKAGES) $(EXTRA_PACKAGES); do \
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
	  elif command -v sudo >/dev/null; then \
	    echo "Installing with sudo:$$missing"; \
	    sudo apt-get update -qq && sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
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
bench: EXTRA_PACKAGES = xvfb
bench: build
	@lscpu | sed -n 's/^Model name: *//p' | sed 's/^/cpu model: /'
	build/release/bench/link_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
	bench/startup/run.sh build/release

REPS ?= 5
FLEET_REPS ?= 3
bench-ctl: PRESET = release
bench-ctl: build
	bench/ctl/run.sh build/release $(REPS)

bench-fleet: PRESET = release
bench-fleet: build
	bench/fleet/run.sh build/release $(FLEET_REPS)

bench-rows: PRESET = release
bench-rows: build
	bench/ctl/rows.sh build/release

run: PRESET = release
run: build
	tools/run.sh build/release $(PORT)

install: PRESET = release
install: build
	cmake --install build/release

package: PRESET = release
package: build
	rm -f build/release/*.deb
	cd build/release && cpack -G DEB

lint-package: EXTRA_PACKAGES = lintian
lint-package: package
	packaging/lint.sh build/release/*.deb

clean:
	rm -rf build
