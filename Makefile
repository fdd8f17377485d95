# The two commands that do everything on a fresh machine:
#   make demo   build, then read the bundled sample document with mifread
#   make test   build and run every test, then again under ASan and UBSan
JOBS ?= $(shell nproc)
BUILD := build
ASAN_BUILD := build-asan
SAMPLE := samples/sample.mif

.PHONY: all build build-asan demo test test-native test-asan bench windows test-windows clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

build-asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DMIF_SANITIZE=ON -DMIF_BUILD_TOOLS=OFF >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)

demo: build
	./$(BUILD)/tools/mifread/mifread $(SAMPLE)

test-native: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

test: test-native test-asan test-windows

bench: build
	./$(BUILD)/bench/mif_bench

# Windows: the module as a DLL, cross-built with mingw-w64 and tested under wine.
windows:
	@echo "windows build not set up yet"

test-windows:
	@echo "windows tests skipped: not set up yet"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-windows
