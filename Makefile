# Set-up, build, test and demo of the Kolvex 2.5 to Kolvex 3 migration utility.
#   make demo   install what is missing, build, run a source migration on the bundled example
#   make test   install what is missing, build, run every test (plain, then the Debian package,
#               then kv3conv.exe and its tests under Wine, then ASan + UBSan, then the core and
#               command-line tests under ThreadSanitizer, then the fuzz smoke runs)
#   make bench  the speed comparison against sed and the micro-benchmarks
#   make gui    install what is missing, build, start the desktop program kv3converter
#   make fuzz-smoke  each fuzz target for FUZZ_RUNS runs with a fixed seed (part of make test)
#   make fuzz   open-ended fuzzing of FUZZ_TARGET for FUZZ_SECONDS (0: until stopped)
#   make package  the Debian package and the Windows zip (of build-windows/kv3conv.exe) in dist/
#   make windows       install the cross compiler and Wine, cross-build kv3conv.exe (64-bit, static)
#   make test-windows  cross-build the Windows tests and run them under Wine, without a display;
#               compare what kv3conv.exe writes with what the Linux build writes

SHELL := /bin/bash

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-bench
WINDOWS_BUILD ?= build-windows
FUZZ_RUNS ?= 100000
FUZZ_SECONDS ?= 0
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

# Debian packages the build and the tests need (Chromium opens the migration summary in a test).
PACKAGES = cmake make g++ pkgconf libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpugixml-dev nlohmann-json3-dev \
           qt6-base-dev qt6-svg-dev fonts-liberation libzbar-dev tesseract-ocr zbar-tools \
           clang libclang-rt-14-dev chromium

# What make bench needs besides: the Free Pascal compiler (the form converter it is compared with)
# and its sources (real Pascal code for the speed comparison on a real tree).
BENCH_PACKAGES = fp-compiler fp-units-rtl fpc-source
FPC_SOURCES = /usr/share/fpcsrc

# What make package needs besides: the manual page generator, the package tools (dpkg-shlibdeps,
# and file, with which CPack finds the programs among the files), the package checker, the
# desktop entry checker, the manual page viewer, and zip for the Windows archive.
PACKAGE_PACKAGES = help2man dpkg-dev file lintian desktop-file-utils man-db groff-base zip unzip
DIST ?= dist

# What the Windows build needs besides: the mingw-w64 cross compiler with POSIX threads (std::thread),
# Wine to run what it builds, and the header-only and source packages it compiles in (GoogleTest
# from its sources, CLI11).
WINDOWS_PACKAGES = cmake make g++ g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 \
                   libgtest-dev libcli11-dev
# The command line and the code page dump; the window needs Qt for Windows, which Debian lacks.
WINDOWS_CMAKE_ARGS = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
                     -DKV_BUILD_GUI=OFF -DKV_BUILD_BENCH=OFF
WINDOWS_TARGETS = kv3conv kv_codepage_dump
# Wine without a display and without its debugging channels, in a prefix of the build folder
# (made at the first start, in about 10 s), so that it never touches the user's own.
WINE_ENV = WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wineprefix WINEDEBUG=-all DISPLAY=

.PHONY: all deps bench-deps package-deps package deb windows-zip test-package windows-deps windows test-windows windows-codepages build test test-plain test-asan test-tsan fuzz-build fuzz-smoke fuzz demo bench gui clean

all: build

# Installs only what is missing, so a ready machine installs nothing. An install already running
# on the machine is waited for rather than failed on.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=; [ "$$(id -u)" -eq 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq \
	    -o DPkg::Lock::Timeout=600 $$missing; \
	fi

# The benchmarks are built only by make bench, in a folder of their own.
build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-package
	$(MAKE) --no-print-directory test-windows
	$(MAKE) --no-print-directory test-asan
	$(MAKE) --no-print-directory test-tsan
	$(MAKE) --no-print-directory fuzz-smoke

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer; any finding fails.
# Leaks are checked too; tests/lsan.supp suppresses leaks of Qt's own state and of the libraries
# under it (see there), never one of ours. The statistics of suppressed leaks are not printed: they
# would land in the output of the programs the tests run and compare.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The core and command-line tests under ThreadSanitizer: reports convert on many threads at once
# (tests/writer/ReportPoolTest), and any race fails the run. The window's tests stay out: the Qt
# they run on is not instrumented, so TSan would see only half of each access.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_TSAN=ON -DKV_BUILD_BENCH=OFF \
	  -DKV_BUILD_GUI=OFF $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS)

# The libFuzzer targets, built with clang, ASan and UBSan.
FUZZ_TARGETS = LoadReportFuzzer:report FormStreamFuzzer:form
fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON \
	  -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF -DKV_BUILD_GUI=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target LoadReportFuzzer FormStreamFuzzer

# A repeatable gate (part of make test): each target with a fixed seed for a fixed number of runs,
# starting from a fresh copy of the checked-in seeds. Crash files go to the build folder.
fuzz-smoke: fuzz-build
	@set -e; for t in $(FUZZ_TARGETS); do \
	  target=$${t%%:*}; seeds=$${t##*:}; corpus=$(FUZZ_BUILD)/smoke-$$seeds; \
	  rm -rf $$corpus; mkdir -p $$corpus $(FUZZ_BUILD)/crashes; cp tests/fuzz/seeds/$$seeds/* $$corpus/; \
	  echo "== $$target: $(FUZZ_RUNS) runs, seed 1"; \
	  $(FUZZ_BUILD)/tests/fuzz/$$target -seed=1 -runs=$(FUZZ_RUNS) -rss_limit_mb=2048 -timeout=10 \
	    -artifact_prefix=$(FUZZ_BUILD)/crashes/$$target- -print_final_stats=1 $$corpus 2>&1 | tail -n 12; \
	  test $${PIPESTATUS[0]} -eq 0; \
	done

# Open-ended fuzzing of one target (FUZZ_TARGET, the report loader by default) for FUZZ_SECONDS
# (0: until stopped), keeping what it finds in a corpus of the build folder between runs.
FUZZ_TARGET ?= LoadReportFuzzer
fuzz: fuzz-build
	@seeds=$$(echo "$(FUZZ_TARGETS)" | tr ' ' '\n' | grep '^$(FUZZ_TARGET):' | cut -d: -f2); \
	test -n "$$seeds" || { echo "Unknown FUZZ_TARGET $(FUZZ_TARGET)"; exit 2; }; \
	corpus=$(FUZZ_BUILD)/corpus-$$seeds; mkdir -p $$corpus $(FUZZ_BUILD)/crashes; \
	$(FUZZ_BUILD)/tests/fuzz/$(FUZZ_TARGET) -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	  -timeout=10 -artifact_prefix=$(FUZZ_BUILD)/crashes/$(FUZZ_TARGET)- -print_final_stats=1 \
	  $$corpus tests/fuzz/seeds/$$seeds

demo: build
	bash examples/demo.sh $(BUILD)/kv3conv

# Built in a folder of its own with the benchmarks on; the tests and the window are not needed.
bench-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) $(BENCH_PACKAGES)"

windows-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINDOWS_PACKAGES)"

windows: windows-deps
	cmake -S . -B $(WINDOWS_BUILD) $(WINDOWS_CMAKE_ARGS) $(CMAKE_ARGS)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target $(WINDOWS_TARGETS)

# The core and command-line tests under Wine (the POSIX-only ones left out by tests/CMakeLists.txt),
# then the code page comparison, then the example project, reports and fuzz seeds converted by
# the Linux build and by kv3conv.exe, every byte written compared, then a source run and its undo
# on a volume without hard links (made so for Wine by the Linux build's test library), then the
# Windows zip, unpacked and run.
test-windows: windows build
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target kv_tests kv_cli_tests
	$(WINE_ENV) ctest --test-dir $(WINDOWS_BUILD) --output-on-failure
	$(MAKE) --no-print-directory windows-codepages
	$(WINE_ENV) bash tests/windows/same_results $(BUILD)/kv3conv $(WINDOWS_BUILD)/kv3conv.exe
	$(WINE_ENV) bash tests/windows/no_hard_links $(BUILD)/tests/libkv_test_preload.so \
	  $(WINDOWS_BUILD)/kv3conv.exe
	$(MAKE) --no-print-directory windows-zip
	$(WINE_ENV) bash packaging/test-windows-zip.sh $(WINDOWS_ZIP) $(VERSION)

# Every code page the Windows build converts, dumped by the Linux converter (iconv) and by the
# Windows one under Wine (tools/CodePageDump.cpp): the two dumps must be identical. Also names the code pages
# that iconv opens and the Windows build does not convert.
CODEPAGE_DIR = $(WINDOWS_BUILD)/codepages
windows-codepages: windows
	@mkdir -p $(CODEPAGE_DIR)
	$(CXX) -std=c++20 -O2 -Isrc -o $(CODEPAGE_DIR)/kv_codepage_dump tools/CodePageDump.cpp \
	  src/platform/posix/CodePages.cpp
	$(WINE_ENV) wine $(WINDOWS_BUILD)/kv_codepage_dump.exe --list $(CODEPAGE_DIR)/windows.list
	$(CODEPAGE_DIR)/kv_codepage_dump --list $(CODEPAGE_DIR)/linux.list
	@echo "Code pages iconv opens that the Windows build does not convert:" \
	  $$(comm -13 <(sort $(CODEPAGE_DIR)/windows.list) <(sort $(CODEPAGE_DIR)/linux.list) | sort -n)
	@missing=$$(comm -23 <(sort $(CODEPAGE_DIR)/windows.list) <(sort $(CODEPAGE_DIR)/linux.list)); \
	if [ -n "$$missing" ]; then echo "Converted on Windows but not by iconv:" $$missing; exit 1; fi
	$(CODEPAGE_DIR)/kv_codepage_dump $(CODEPAGE_DIR)/linux.txt $$(cat $(CODEPAGE_DIR)/windows.list)
	$(WINE_ENV) wine $(WINDOWS_BUILD)/kv_codepage_dump.exe $(CODEPAGE_DIR)/windows.txt \
	  $$(cat $(CODEPAGE_DIR)/windows.list)
	@if diff $(CODEPAGE_DIR)/linux.txt $(CODEPAGE_DIR)/windows.txt > $(CODEPAGE_DIR)/differences.txt; then \
	  echo "Code pages: $$(wc -l < $(CODEPAGE_DIR)/windows.list) converted alike, $$(wc -l < $(CODEPAGE_DIR)/linux.txt) lines compared"; \
	else \
	  echo "Code pages: Linux and Windows differ ($$(grep -c '^[<>]' $(CODEPAGE_DIR)/differences.txt) lines, $(CODEPAGE_DIR)/differences.txt):"; \
	  head -n 20 $(CODEPAGE_DIR)/differences.txt; exit 1; \
	fi

bench: bench-deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_BUILD_BENCH=ON \
	  -DKV_BUILD_TESTS=OFF -DKV_BUILD_GUI=OFF $(CMAKE_ARGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target kv3conv kv_bench kv_bench_corpus kv_bench_window_reports
	bash bench/source_vs_sed $(BENCH_BUILD)
	bash bench/hostile_vs_sed $(BENCH_BUILD)
	bash bench/large_vs_copy $(BENCH_BUILD)
	bash bench/large_vs_copy $(BENCH_BUILD) --real $(FPC_SOURCES)
	bash bench/durable_cost $(BENCH_BUILD)
	bash bench/reports_vs_copy $(BENCH_BUILD)
	$(MAKE) --no-print-directory build
	bash bench/summary_cost $(BUILD)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target kv_bench_forms
	bash bench/dfm2txt_vs_fpc $(BENCH_BUILD)
	$(BENCH_BUILD)/bench/kv_bench

# The Debian package and the Windows zip, written to $(DIST). The package is made by CPack from
# the install rules of the normal build folder, so only what it holds is built here.
VERSION := $(shell sed -n 's/^project.kv3converter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DEB_ARCH := $(shell dpkg --print-architecture 2>/dev/null || echo amd64)
DEB = $(DIST)/kv3conv_$(VERSION)_$(DEB_ARCH).deb
# The Windows program, cross-built; the zip step only packs it.
WINDOWS_EXE ?= $(WINDOWS_BUILD)/kv3conv.exe
WINDOWS_ZIP = $(DIST)/kv3conv-$(VERSION)-windows-x64.zip

package-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) $(PACKAGE_PACKAGES)"

deb: package-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target kv3conv kv3conv_qttext kv3converter kv_package_files
	rm -rf $(BUILD)/cpack
	cpack --config $(BUILD)/CPackConfig.cmake -G DEB -B $(BUILD)/cpack
	mkdir -p $(DIST)
	cp $(BUILD)/cpack/$(notdir $(DEB)) $(DEB)
	@echo "Written: $(DEB)"

windows-zip: package-deps
	bash packaging/windows-zip.sh $(WINDOWS_EXE) $(VERSION) $(WINDOWS_ZIP)

# The zip packs the cross-built program, which make windows builds first.
package: deb windows
	$(MAKE) --no-print-directory windows-zip

# Installs the package's files into a scratch root and runs them from there; checks the manual
# page, the desktop entry, the bash completion and the Windows zip step; lintian must report no
# error. Part of make test.
test-package: deb
	bash packaging/test-package.sh $(DEB) $(BUILD)/package-test

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(DIST) $(WINDOWS_BUILD)
