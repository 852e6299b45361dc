# Set-up, build and test entry points. `make test` and `make demo` work on a
# fresh Debian machine: they install what is missing first.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
# What the thread-sanitizer run needs: the tool and the tests that use threads.
TSAN_TARGETS = korvex-nr tool_tests astapi_tests
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all deps build build-asan build-tsan test test-release test-asan test-tsan demo install format clean golden-update

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

$(ASAN_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKORVEX_SANITIZE=ON $(CMAKE_FLAGS)

$(TSAN_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_TSAN=ON \
	  -DKORVEX_BENCHMARKS=OFF $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)

build-tsan: deps $(TSAN_BUILD)/CMakeCache.txt
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Only the tests labelled tsan (they set TSAN_OPTIONS=halt_on_error=1): the
# others are not built in that tree.
test-tsan: build-tsan
	cd $(TSAN_BUILD) && ctest -L tsan --output-on-failure -j $(JOBS)

test: test-release test-asan test-tsan

demo: build
	@scripts/demo.sh $(BUILD)

# korvex-nr, the libraries, their headers, the CMake package and the
# pkg-config file below PREFIX.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Rewrites the expected output of every golden test from the current tool.
golden-update: build
	cd $(BUILD) && KORVEX_GOLDEN_UPDATE=1 ctest -R '^golden/' -j $(JOBS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
