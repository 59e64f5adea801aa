# Set-up, build and tests in one step each; every target installs what is missing first.
BUILD_DIR := build
SANITIZE_DIR := build-sanitize
WINDOWS_DIR := build-windows
SANITIZE_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
FUZZ_DIR := build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all packages configure build run test sanitize fuzz bench clean windows test-windows test-engines

all: build

packages:
	@sh tools/install-packages debian-packages.txt
	@command -v npm >/dev/null 2>&1 || sh tools/install-packages debian-packages-node.txt

configure: packages
	@cmake -S . -B $(BUILD_DIR) -G Ninja

build: configure
	@cmake --build $(BUILD_DIR)

# Starts Vantorix from the build folder; its render folder is build/Vantorix/.
run: build
	@if [ -z "$${DISPLAY}$${WAYLAND_DISPLAY}" ]; then \
	  echo "make run: there is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set)."; \
	  echo "To run Vantorix on a virtual screen instead:  xvfb-run -a -s '-screen 0 1024x768x24' make run"; \
	  exit 1; \
	fi
	@$(BUILD_DIR)/vantorix

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j 2 -LE engines

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer:
# any out-of-bounds access, leak or undefined operation fails the run.
sanitize: packages
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)"
	@cmake --build $(SANITIZE_DIR)
	@ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j 2 -LE engines

# The Windows build: vantorix.exe, vantorix-export.exe and tgsrender.exe, cross-built
# with mingw-w64 against libjpeg-turbo and GoogleTest built from Debian's sources.
windows: packages
	@sh tools/install-packages debian-packages-windows.txt
	@sh tools/build-windows-deps $(WINDOWS_DIR)/deps
	@cmake -S . -B $(WINDOWS_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DVANTORIX_WINDOWS_DEPS=$(CURDIR)/$(WINDOWS_DIR)/deps -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
	  -DVANTORIX_LINUX_BUILD=$(CURDIR)/$(BUILD_DIR)
	@cmake --build $(WINDOWS_DIR)

# The Windows build's suites under Wine, on a virtual screen; the Linux build
# checks the files of the Windows build's whole run. Of the Linux build only
# that checker is built here: what `make test` built in build/ is reused.
test-windows: windows configure
	@cmake --build $(BUILD_DIR) --target windows_build_tests
	@sh tools/test-windows $(WINDOWS_DIR)

# The engines themselves showing our skies (Quake III, Godot 3, Blender), on a
# virtual screen with software OpenGL; their packages come from their own list.
test-engines: build
	@sh tools/install-packages debian-packages-engines.txt
	@xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
	  ctest --test-dir $(BUILD_DIR) --output-on-failure -L engines

# Finishing six faces at several sizes, against each conversion's floor;
# BENCH_ARGS passes options on (e.g. BENCH_ARGS="--sizes 1024 --runs 3").
# Then the export's panorama against FFmpeg's, and its outputs against their
# floors (EXPORT_BENCH_ARGS="--sizes 1024,2048,4096").
bench: build
	@cd $(BUILD_DIR) && ./bench/vantorix_bench $(BENCH_ARGS)
	@cd $(BUILD_DIR) && ./bench/vantorix_export_bench ./vantorix-export $(EXPORT_BENCH_ARGS)

# Every fuzz target for FUZZ_SECONDS, each growing its own corpus from the
# committed seeds. An input that crashes or hangs a target, or makes it ask
# for more than 64 MB at once, is written into fuzz/regressions/<target>/,
# which `make test` replays.
fuzz: packages
	@sh tools/install-packages debian-packages-fuzz.txt
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVANTORIX_FUZZ=ON -DBUILD_TESTING=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $(SANITIZE_FLAGS)"
	@cmake --build $(FUZZ_DIR)
	@for program in $(FUZZ_DIR)/fuzz/fuzz_*; do \
	  target=$${program##*/fuzz_}; \
	  mkdir -p $(FUZZ_DIR)/corpus/$$target fuzz/regressions/$$target; \
	  echo "fuzz: $$target for $(FUZZ_SECONDS) s"; \
	  QT_QPA_PLATFORM=offscreen $$program -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=4096 -malloc_limit_mb=64 \
	    -artifact_prefix=fuzz/regressions/$$target/ $(FUZZ_DIR)/corpus/$$target fuzz/seeds/$$target || exit 1; \
	done

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(WINDOWS_DIR)
