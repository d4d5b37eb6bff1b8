# make demo   builds everything and levels a spoken-word recording through QUAR2 to -16 LUFS (out/)
# make test   builds the native, sanitized and Windows targets and runs every test
JOBS ?= $(shell nproc)
NATIVE := build/native
ASAN := build/asan
WIN := build/win64
TSAN := build/tsan
# The programs the thread-checked build runs, all with no suppression for our own code: the
# runtime (memory pages, windows, string table, sliders), the leveller, its editor frame with a
# fake host, QUAR2.so's editor in an X window, and the thread storm (audio, parameters, chunks
# and the editor's frames at once).
TSAN_TESTS := runtime_tests effect_tests leveller_editor_tests editor_x11_tests \
  reliability_storm_tests
# What crosses between the two flavours: quar2-host finds the bridge in the win64 build, the
# Windows tests compare with the native build's audio and drive its quar2-host.
NATIVE_CONFIG := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAR2_WIN64_BUILD_DIR=$(CURDIR)/$(WIN)
WIN_CONFIG := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAR2_NATIVE_BUILD_DIR=$(CURDIR)/$(NATIVE) \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

.PHONY: all test demo deps native asan tsan win64 test-native test-asan test-tsan test-win64 clean \
  fuzz test-fuzz bench bench-loudness bench-editor bench-editor-x11 format check-format

all: native win64

deps:
	@scripts/install-deps.sh

native: deps
	cmake -S . -B $(NATIVE) $(NATIVE_CONFIG) >/dev/null
	cmake --build $(NATIVE) -j$(JOBS)

asan: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DQUAR2_SANITIZE=ON >/dev/null
	cmake --build $(ASAN) -j$(JOBS)

tsan: deps
	cmake -S . -B $(TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAR2_TSAN=ON >/dev/null
	cmake --build $(TSAN) -j$(JOBS) --target $(TSAN_TESTS)

win64: deps
	cmake -S . -B $(WIN) $(WIN_CONFIG) >/dev/null
	cmake --build $(WIN) -j$(JOBS)

# The native tests open editor windows: inside a private Xvfb when there is no display.
test-native: native
	scripts/with-display.sh ctest --test-dir $(NATIVE) --output-on-failure -j$(JOBS)

test-asan: asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  scripts/with-display.sh ctest --test-dir $(ASAN) --output-on-failure -j$(JOBS)

# ThreadSanitizer cannot map its shadow memory on kernels with more address randomisation than
# it expects; the tests run without randomisation wherever setarch allows it.
NO_ASLR := $(shell setarch $$(uname -m) -R true >/dev/null 2>&1 && echo setarch $$(uname -m) -R)
test-tsan: tsan
	$(NO_ASLR) scripts/with-display.sh ctest --test-dir $(TSAN) --output-on-failure -j$(JOBS) \
	  -R '^($(subst $() ,|,$(TSAN_TESTS)))$$'

test-win64: win64
	scripts/run-wine-tests.sh $(WIN)

# The editor's paint times under Wine + Xvfb while audio plays, then a profile of one frame.
bench-editor: win64
	cmake --build $(WIN) -j$(JOBS) --target editor_paint_bench
	scripts/bench-editor.sh $(WIN)
	scripts/bench-editor.sh $(WIN) --profile --frames 60

# QUAR2.so's editor paint times on X11 (the desktop's display, else a private Xvfb).
bench-editor-x11: native
	cmake --build $(NATIVE) -j$(JOBS) --target editor_paint_bench_x11
	scripts/with-display.sh $(NATIVE)/tests/bench/editor_paint_bench_x11

# process --loudness podcast on 10 minutes of speech against ffmpeg's loudnorm, in one run.
bench-loudness: native
	scripts/bench-loudness.sh $(NATIVE)/host/cli/quar2-host $(NATIVE)/plugin/QUAR2.so

# Time per block of the leveller with ordinary, subnormal and decaying input, float and double.
bench: native
	cmake --build $(NATIVE) -j$(JOBS) --target reliability_denormal_bench
	$(NATIVE)/tests/reliability/reliability_denormal_bench

# Fuzz targets (clang, build/fuzz): a short run per target in make test, a long one on demand.
FUZZ_SECONDS ?= 300
fuzz: deps
	scripts/fuzz.sh $(FUZZ_SECONDS)

test-fuzz: deps
	scripts/fuzz.sh 10

# One formatting for every C++ file (.clang-format): `make format` rewrites them, make test checks.
SOURCES = $(shell find runtime effect graphics gui plugin vst vst3 clap host tests -name '*.cpp' -o -name '*.h')
format: deps
	clang-format -i $(SOURCES)

check-format: deps
	clang-format --dry-run -Werror $(SOURCES)

test: check-format test-native test-asan test-tsan test-fuzz test-win64

# The demo needs only the plug-ins (QUAR2.so/.dll, the VST3 bundle, both QUAR2.clap), quar2-host
# and the bridge, not the test programs.
demo: deps
	cmake -S . -B $(NATIVE) $(NATIVE_CONFIG) >/dev/null
	cmake --build $(NATIVE) -j$(JOBS) --target QUAR2 QUAR2_vst3 QUAR2_clap quar2-host
	cmake -S . -B $(WIN) $(WIN_CONFIG) >/dev/null
	cmake --build $(WIN) -j$(JOBS) --target QUAR2 QUAR2_vst3 QUAR2_clap quar2-bridge
	scripts/demo.sh

clean:
	rm -rf build out
