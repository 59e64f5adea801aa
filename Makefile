# Set-up, build and tests in one step each; every target installs what is missing first.
BUILD_DIR := build
SANITIZE_DIR := build-sanitize
SANITIZE_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

.PHONY: all packages configure build test sanitize clean

all: build

packages:
	@sh tools/install-packages debian-packages.txt

configure: packages
	@cmake -S . -B $(BUILD_DIR) -G Ninja

build: configure
	@cmake --build $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j 2

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer:
# any out-of-bounds access, leak or undefined operation fails the run.
sanitize: packages
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)"
	@cmake --build $(SANITIZE_DIR)
	@ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j 2

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
