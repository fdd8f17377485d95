# The two commands that do everything on a fresh machine:
#   make demo   build, then read the bundled sample document with mifread
#   make test   build and run every test, then again under ASan and UBSan
JOBS ?= $(shell nproc)
BUILD := build
ASAN_BUILD := build-asan
TSAN_BUILD := build-tsan
SAMPLE := samples/sample.mif

.PHONY: all build build-asan demo test test-native test-asan bench windows test-windows clean record-outputs compare-outputs
.PHONY: fuzz fuzz-build test-tsan

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

# ThreadSanitizer: the test that reads every document in two threads at once.
test-tsan:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIF_BUILD_TOOLS=OFF \
		-DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
		-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target mif_threads_tests -- --no-print-directory
	TSAN_OPTIONS=halt_on_error=1 ./$(TSAN_BUILD)/tests/mif_threads_tests

test: test-native test-asan test-tsan test-windows

bench:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target mif_bench -- --no-print-directory
	./$(BUILD)/bench/mif_bench

# Everything the module reports for the sample and the corpus, under several
# buffer sizes and read chunkings: record it before changing the module,
# compare after every step (OUTPUTS names the record's folder).
OUTPUTS ?= out/reference-outputs
OUTPUT_DOCUMENTS = samples $(wildcard $(CORPUS))

record-outputs: build
	./$(BUILD)/tools/mifrecord/mifrecord record $(OUTPUTS) $(OUTPUT_DOCUMENTS)

compare-outputs: build
	./$(BUILD)/tools/mifrecord/mifrecord compare $(OUTPUTS) $(OUTPUT_DOCUMENTS)

# Windows: the module as a DLL, cross-built with mingw-w64 and tested under wine.
# test-windows runs the DLL's test program under wine (one prefix per build
# folder), then has mifrecord record what the Linux library reports for the
# sample and the corpus, and mifrecord built for Windows compare what the DLL
# reports under wine with that record.
WIN_BUILD := build-windows
CORPUS ?= ../shared/corpus
WINE_ENV = WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wineprefix WINEDEBUG=-all
HAVE_MINGW := $(shell command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 && echo yes)
HAVE_WINE := $(shell command -v wine >/dev/null 2>&1 && command -v wineserver >/dev/null 2>&1 && echo yes)

windows:
ifeq ($(HAVE_MINGW),yes)
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DMIF_BUILD_TESTS=OFF -DMIF_BUILD_TOOLS=ON >/dev/null
	cmake --build $(WIN_BUILD) -j $(JOBS) --target mifreader -- --no-print-directory
else
	@echo "windows build needs the mingw-w64 toolchain (x86_64-w64-mingw32-g++)" >&2; exit 1
endif

test-windows:
ifeq ($(HAVE_MINGW)$(HAVE_WINE),yesyes)
	$(MAKE) --no-print-directory windows
	cmake --build $(WIN_BUILD) -j $(JOBS) --target mif_windows_tests mifrecord -- --no-print-directory
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target mifrecord -- --no-print-directory
	rm -rf $(WIN_BUILD)/expected
	./$(BUILD)/tools/mifrecord/mifrecord record $(WIN_BUILD)/expected $(OUTPUT_DOCUMENTS)
	@test -d $(WIN_BUILD)/wineprefix || { echo "creating the wine prefix"; $(WINE_ENV) wineboot -i >/dev/null 2>&1; }
	@cd $(WIN_BUILD) && $(WINE_ENV) ctest --output-on-failure; status=$$?; \
		$(WINE_ENV) wine tools/mifrecord/mifrecord.exe compare expected --module mifreader.dll \
			$(abspath $(OUTPUT_DOCUMENTS)) || status=1; \
		$(WINE_ENV) wineserver -k >/dev/null 2>&1; exit $$status
else
	@echo "windows tests skipped: mingw-w64 toolchain or wine not installed"
endif

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) build-windows $(FUZZ_BUILD)

# Fuzzing (clang, libFuzzer, ASan + UBSan): builds the targets in fuzz/ and
# runs each for FUZZ_SECONDS from the inputs it found before and from
# starting inputs: the sample and the corpus documents, cut to FUZZ_MAX_LEN
# bytes behind four zero option bytes. Inputs and findings stay in
# $(FUZZ_BUILD); a finding fails the run (keep it, minimised, under
# tests/hardening/inputs/).
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= read render
FUZZ_MAX_LEN ?= 65540
FUZZ_FLAGS ?=

fuzz-build:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIF_FUZZ=ON \
		-DMIF_BUILD_TESTS=OFF -DMIF_BUILD_TOOLS=OFF >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target mif_fuzz_dictionary $(FUZZ_TARGETS:%=mif_%_fuzzer) -- --no-print-directory
	./$(FUZZ_BUILD)/fuzz/mif_fuzz_dictionary > $(FUZZ_BUILD)/mif.dict
	rm -rf $(FUZZ_BUILD)/starting && mkdir -p $(FUZZ_BUILD)/starting
	@for f in $(SAMPLE) $(wildcard $(CORPUS)/*.mif); do \
		{ printf '\000\000\000\000'; head -c $$(($(FUZZ_MAX_LEN) - 4)) "$$f"; } > $(FUZZ_BUILD)/starting/$$(basename "$$f"); \
	done

fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_BUILD)/found/$$t $(FUZZ_BUILD)/findings/$$t; \
		echo "fuzzing the $$t target for $(FUZZ_SECONDS) s"; \
		./$(FUZZ_BUILD)/fuzz/mif_$${t}_fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=$(FUZZ_MAX_LEN) -timeout=60 \
			-dict=$(FUZZ_BUILD)/mif.dict -artifact_prefix=$(FUZZ_BUILD)/findings/$$t/ -print_final_stats=1 $(FUZZ_FLAGS) \
			$(FUZZ_BUILD)/found/$$t $(FUZZ_BUILD)/starting || exit 1; \
	done
