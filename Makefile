# The two commands, on a fresh Debian machine too: each first installs the
# packages it lacks (scripts/install-deps; MIF_SKIP_DEPS=1 skips that).
#   make demo   build mifread, then read the bundled sample document
#   make test   build and run every test, then again under ASan and UBSan,
#               the install test among them, the two-thread read under
#               ThreadSanitizer, the byte-by-byte searches, and the Windows
#               DLL's under wine
JOBS ?= $(shell nproc)
BUILD := build
ASAN_BUILD := build-asan
TSAN_BUILD := build-tsan
BYTEWISE_BUILD := build-bytewise
RELEASE_BUILD := build-release
SAMPLE := samples/sample.mif
DEPS := ./scripts/install-deps
# Builds made here treat warnings as errors (WERROR=OFF to relax); a plain
# cmake configure does not.
WERROR ?= ON
CONFIGURE = cmake -S . -DMIF_WERROR=$(WERROR)

.PHONY: all build build-asan demo test test-deps test-native test-asan release test-release deb test-deb \
	bench windows test-windows test-windows-run clean record-outputs compare-outputs test-tsan test-bytewise fuzz \
	fuzz-build

all: build

build:
	@$(DEPS) build test
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIF_BUILD_TESTS=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

build-asan:
	@$(DEPS) build test
	$(CONFIGURE) -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DMIF_SANITIZE=ON -DMIF_BUILD_TOOLS=OFF >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# The demo needs only mifread: the tests are left out of a first build
# (a later make test adds them) and their packages are not installed.
demo:
	@$(DEPS) build
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		$(if $(wildcard $(BUILD)/CMakeCache.txt),,-DMIF_BUILD_TESTS=OFF) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target mifread
	./$(BUILD)/tools/mifread/mifread $(SAMPLE)

test-native: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# One install step up front for everything the tests use.
test-deps:
	@$(DEPS) build test mingw wine convert

# ThreadSanitizer, one build for both checks: the test that reads every
# document in two threads at once, then mifread converting the sample and
# the corpus with two workers (exit status 1 is a document that failed, not
# a report).
TSAN_FLAGS := -fsanitize=thread -fno-omit-frame-pointer
test-tsan:
	@$(DEPS) build test
	$(CONFIGURE) -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_FLAGS="$(TSAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
		-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target mif_threads_tests mifread -- --no-print-directory
	TSAN_OPTIONS=halt_on_error=1 ./$(TSAN_BUILD)/tests/mif_threads_tests
	@for format in html json; do \
		rm -rf $(TSAN_BUILD)/out; \
		TSAN_OPTIONS="halt_on_error=1 exitcode=66" ./$(TSAN_BUILD)/tools/mifread/mifread --to $$format \
			--out-dir $(TSAN_BUILD)/out -j 2 samples $(wildcard $(CORPUS)) 2>/dev/null; \
		status=$$?; if [ $$status -gt 1 ]; then echo "mifread batch under ThreadSanitizer: status $$status" >&2; exit 1; fi; \
	done

# The byte-by-byte searches, which other processors use, built here too: the
# scanner's tests, and every document read as the vector searches read it.
test-bytewise: build
	$(CONFIGURE) -B $(BYTEWISE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIF_BUILD_TESTS=ON \
		-DCMAKE_CXX_FLAGS=-DMIF_BYTEWISE >/dev/null
	cmake --build $(BYTEWISE_BUILD) -j $(JOBS) --target mif_scanner_tests mifrecord -- --no-print-directory
	./$(BYTEWISE_BUILD)/tests/mif_scanner_tests --gtest_brief=1
	rm -rf $(BYTEWISE_BUILD)/record
	./$(BUILD)/tools/mifrecord/mifrecord record $(BYTEWISE_BUILD)/record $(OUTPUT_DOCUMENTS) >/dev/null
	./$(BYTEWISE_BUILD)/tools/mifrecord/mifrecord compare $(BYTEWISE_BUILD)/record $(OUTPUT_DOCUMENTS)

test: test-deps test-native test-asan test-tsan test-bytewise test-windows

# Release: the build the Debian package is made from, installed under /usr.
release:
	@$(DEPS) build test
	$(CONFIGURE) -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

test-release: release
	cd $(RELEASE_BUILD) && ctest --output-on-failure -j $(JOBS)

deb: release
	@$(DEPS) package
	cd $(RELEASE_BUILD) && cpack -G DEB >/dev/null
	@ls $(RELEASE_BUILD)/mifreader_*.deb

# Installs the package on this machine (root, or sudo), checks it and
# removes it again.
test-deb: deb
	./scripts/check-deb $(RELEASE_BUILD) $(SAMPLE)

bench:
	@$(DEPS) build test tools
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
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
	@$(DEPS) mingw
	@$(MAKE) --no-print-directory windows-dll

.PHONY: windows-dll
windows-dll:
ifeq ($(HAVE_MINGW),yes)
	$(CONFIGURE) -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DMIF_BUILD_TESTS=OFF -DMIF_BUILD_TOOLS=ON >/dev/null
	cmake --build $(WIN_BUILD) -j $(JOBS) --target mifreader -- --no-print-directory
else
	@echo "windows build needs the mingw-w64 toolchain (x86_64-w64-mingw32-g++)" >&2; exit 1
endif

# The packages are installed first, then a new make sees the tools.
test-windows:
	@$(DEPS) mingw wine
	@$(MAKE) --no-print-directory test-windows-run

test-windows-run:
ifeq ($(HAVE_MINGW)$(HAVE_WINE),yesyes)
	$(MAKE) --no-print-directory windows-dll
	cmake --build $(WIN_BUILD) -j $(JOBS) --target mif_windows_tests mifrecord -- --no-print-directory
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
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
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BYTEWISE_BUILD) $(RELEASE_BUILD) $(WIN_BUILD) $(FUZZ_BUILD)

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
	@$(DEPS) build fuzz
	$(CONFIGURE) -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIF_FUZZ=ON \
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
