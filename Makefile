# Set-up, build and tests in one step each; every target installs what is missing first.
BUILD_DIR := build

.PHONY: all packages configure build test clean

all: build

packages:
	@sh tools/install-packages debian-packages.txt

configure: packages
	@cmake -S . -B $(BUILD_DIR) -G Ninja

build: configure
	@cmake --build $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j 2

clean:
	rm -rf $(BUILD_DIR)
