# Set-up, build, test and demo of the Kolvex 2.5 to Kolvex 3 migration utility.
#   make demo   install what is missing, build, run a source migration on the bundled example
#   make test   install what is missing, build, run every test (plain, then ASan + UBSan)
#   make bench  the speed comparison against sed and the micro-benchmarks
#   make gui    install what is missing, build, start the desktop program kv3converter
#   make fuzz-smoke  each fuzz target for FUZZ_SECONDS (part of make test)

SHELL := /bin/bash

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

# Debian packages the build and the tests need.
PACKAGES = cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpugixml-dev \
           qt6-base-dev fonts-liberation \
           clang libclang-rt-14-dev

.PHONY: all deps build test test-plain test-asan fuzz-smoke demo bench gui clean

all: build

# Installs only what is missing, so a ready machine installs nothing.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=; [ "$$(id -u)" -eq 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan
	$(MAKE) --no-print-directory fuzz-smoke

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer; any finding fails.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Builds the libFuzzer targets with clang and runs each on a fresh copy of its seed corpus.
fuzz-smoke: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON \
	  -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF -DKV_BUILD_GUI=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target LoadReportFuzzer FormStreamFuzzer
	@set -e; for t in LoadReportFuzzer:report FormStreamFuzzer:form; do \
	  target=$${t%%:*}; seeds=$${t##*:}; corpus=$(FUZZ_BUILD)/corpus-$$seeds; \
	  rm -rf $$corpus; mkdir -p $$corpus; cp tests/fuzz/seeds/$$seeds/* $$corpus/; \
	  echo "== $$target for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/tests/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	    -timeout=10 -print_final_stats=1 $$corpus 2>&1 | tail -n 12; \
	  test $${PIPESTATUS[0]} -eq 0; \
	done

demo: build
	bash examples/demo.sh $(BUILD)/kv3conv

bench: build
	bash bench/source_vs_sed $(BUILD)
	bash bench/reports_vs_copy $(BUILD)
	$(BUILD)/bench/kv_bench

# The desktop program needs a display; without one it says how to start it on a virtual one.
gui: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: neither DISPLAY nor WAYLAND_DISPLAY is set."; \
	  echo "Start it on a virtual display instead, for example:"; \
	  echo "  xvfb-run -s '-screen 0 1024x768x24' $(BUILD)/kv3converter"; \
	  exit 1; \
	fi
	$(BUILD)/kv3converter

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
