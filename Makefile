# make run   - install what the program needs, build only the program, start it
# make test  - install everything missing (tests, benchmarks too), build, run every test
# make bench - build and run the benchmarks
# make install [PREFIX=/usr/local] [DESTDIR=] - install the program (stripped), desktop entry, icon, man page
# make test-sanitize - the tests built with AddressSanitizer and UBSan, in build-sanitize/
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
PREFIX ?= /usr/local

.PHONY: all deps deps-program configure build build-program run test test-sanitize bench install clean

all: build

deps:
	@scripts/install-deps

deps-program:
	@scripts/install-deps --program

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) -DGLYPHON_TESTS=ON -DGLYPHON_BENCH=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j2

# The program and its window module only: no tests, benchmarks or their packages.
build-program: deps-program
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) -DGLYPHON_TESTS=OFF -DGLYPHON_BENCH=OFF >/dev/null
	@cmake --build $(BUILD) -j2 --target glyphon

run: build-program
	@scripts/run $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j2
	@if [ -x scripts/fuzz-smoke ]; then scripts/fuzz-smoke; fi

# A separate build with the address and undefined-behaviour sanitizers; any
# report fails its test. Leaks of other libraries' lifetime caches are
# suppressed in scripts/lsan.supp, other libraries' false reports in
# scripts/asan.supp, each with the reason.
SANITIZE_BUILD ?= build-sanitize
SANITIZE = -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLYPHON_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE)" -DCMAKE_C_FLAGS="$(SANITIZE)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j2
	@cd $(SANITIZE_BUILD) && \
	  ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0:strict_string_checks=1:detect_stack_use_after_return=1:suppressions=$(CURDIR)/scripts/asan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j2

bench: build
	@scripts/bench $(BUILD)

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip >/dev/null

clean:
	rm -rf $(BUILD) build-fuzz $(SANITIZE_BUILD)
