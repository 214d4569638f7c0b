# The two entry points of the README. Both run the setup script first, so a fresh
# Debian 12 machine needs nothing else.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run test test-asan bench fuzz package format clean

all: build

setup:
	@bash tools/setup-debian.sh

configure: setup
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

# The program, its lesson pack and its tools; tests and benchmarks are built by
# `make test` and `make bench`.
build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Only the program and what it needs to run.
run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target lesnor
	@$(BUILD_DIR)/lesnor

test: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target all lesnor_tests
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The whole suite once more, built with AddressSanitizer, LeakSanitizer and UBSan in
# its own folder. Any report fails the test that made it; tests/sanitizers/ holds the
# few suppressions (third-party libraries only, each explained); tst_leak_check shows a
# block of our own lost is still reported.
ASAN_DIR ?= build-asan
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test-asan: setup
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLESNOR_SANITIZE=ON >/dev/null
	@$(SANITIZER_ENV) cmake --build $(ASAN_DIR) -j $(JOBS) --target all lesnor_tests
	@cd $(ASAN_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

bench: configure
	@bash tools/setup-debian.sh bench
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target all lesnor_benches
	@bash bench/run.sh $(BUILD_DIR)

# The Debian package (build/lesnor_<version>_<arch>.deb).
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

fuzz: setup
	@bash tests/fuzz/run.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR)
