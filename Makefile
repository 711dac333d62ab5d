# make run: install what is missing, build, open the window.
# make test: install what is missing, build, run every test headless.

BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
PACKAGES     := cmake ninja-build g++ qt6-base-dev libgtest-dev libbenchmark-dev libcli11-dev fonts-liberation2
JOBS         ?= $(shell nproc 2>/dev/null || echo 2)
CTEST        := QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

.PHONY: all deps build run test test-sanitize bench clean

all: build

deps:
	@scripts/install-deps.sh $(PACKAGES)

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/ui/velmor-machine

test: build
	cd $(BUILD_DIR) && $(CTEST)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMOR_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR)
	cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST)

bench: build
	$(BUILD_DIR)/bench/velmor_engine_bench

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
