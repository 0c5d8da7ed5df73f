# Set-up, build, test and demo of the Kolvex 2.5 to Kolvex 3 migration utility.
#   make demo   install what is missing, build, run a source migration on the bundled example
#   make test   install what is missing, build, run every test (plain, then ASan + UBSan)
#   make bench  the speed comparison against sed and the micro-benchmarks

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

# Debian packages the build and the tests need.
PACKAGES = cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev

.PHONY: all deps build test test-plain test-asan demo bench clean

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

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer; any finding fails.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

demo: build
	bash examples/demo.sh $(BUILD)/kv3conv

bench: build
	bash bench/source_vs_sed $(BUILD)
	$(BUILD)/bench/kv_bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
