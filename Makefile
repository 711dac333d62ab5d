# SPDX-License-Identifier: MIT
# make run: install what is missing, build, open the window.
# make test: install what is missing, build, run every test headless.
# make web: the web page in $(BUILD_DIR)/web; make web-serve shows it on localhost.
# make package: the Debian packages, built from debian/ by dpkg-buildpackage.
# make test-arm64, make package-arm64: the same for 64-bit ARM, cross-built and
# run under qemu (they add the arm64 architecture to dpkg).

BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR     ?= $(BUILD_DIR)-fuzz
FUZZ_SECONDS ?= 600
# FULL=1 adds the packages' checkers and the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, as CI runs it.
FULL         ?= 0
# install puts the files under PREFIX; DESTDIR stages them in another root,
# as packagers expect.
PREFIX       ?= /usr/local
DESTDIR      ?=
WEB_DIR      := $(BUILD_DIR)/web
WEB_PORT     ?= 8015
JOBS         ?= $(shell nproc 2>/dev/null || echo 2)

PACKAGES     := cmake ninja-build g++ qt6-base-dev libgtest-dev libbenchmark-dev libacl1-dev libattr1-dev \
	fonts-liberation2 dpkg-dev file time bash-completion man-db groff-base mandoc e2fsprogs mount
LINT_PACKAGES := lintian appstream desktop-file-utils
# dpkg-buildpackage also requires build-essential, whatever debian/control lists.
DEB_PACKAGES := build-essential debhelper
FUZZ_PACKAGES := clang libclang-rt-14-dev
SCREENSHOT_PACKAGES := xvfb xdotool imagemagick openbox
WEB_PACKAGES := emscripten python3 python3-fonttools
BROWSER_PACKAGES := chromium
FRESH_PACKAGES := mmdebstrap
ARM64_DIR    ?= build-arm64
ARM64_PACKAGES := crossbuild-essential-arm64 qemu-user-static qt6-base-dev:arm64 libgtest-dev:arm64 \
	libbenchmark-dev:arm64 libacl1-dev:arm64 libattr1-dev:arm64

# Every build stamps its files with the date of the changelog's newest entry,
# so that two builds of one source give the same bytes.
SOURCE_DATE_EPOCH ?= $(shell date -d "$$(sed -n 's/^ -- .*>  //p' debian/changelog | head -n 1)" +%s)
export SOURCE_DATE_EPOCH

# Each run fails when any test was skipped or not run, as well as when one failed.
CTEST        := QT_QPA_PLATFORM=offscreen scripts/run-ctest.sh
# The packages' version is the changelog's newest.
VERSION      := $(shell awk -F '[()]' 'NR == 1 { print $$2 }' debian/changelog)
PACKAGE_ARCH ?= $(shell dpkg --print-architecture)
PACKAGE_FILES := $(foreach name,velmor velmor-machine,$(BUILD_DIR)/$(name)_$(VERSION)_$(PACKAGE_ARCH).deb)
PACKAGE_CHANGES := velmor_$(VERSION)_$(PACKAGE_ARCH).changes
# Extra options for dpkg-buildpackage (-a arm64 for a cross build).
PACKAGE_OPTIONS ?=
SUDO         := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

# The page: the engine compiled twice to WebAssembly, with SIMD and without,
# and a mask font, put together into one self-contained index.html.
WEB_ENGINE_SOURCES := $(wildcard engine/*.cpp engine/*.h) web/engine_binding.cpp
# assemble.py also reads the shared words and settings, the code page and the
# window's icon.
WEB_PAGE_SOURCES := web/assemble.py $(wildcard web/*.html web/*.css web/*.js) words/words.h engine/settings.h \
	codec/windows1252.h ui/window_icon.xpm
EMCC_FLAGS := -std=c++20 -O3 -Wall -Wextra -Werror -I. \
	-sENVIRONMENT=worker -sMODULARIZE=1 -sSINGLE_FILE=1 -sFILESYSTEM=0 -sALLOW_MEMORY_GROWTH=1 \
	-sMAXIMUM_MEMORY=2GB -sEXPORTED_FUNCTIONS=_velmor_cipher_begin,_velmor_cipher_apply,_velmor_cipher_end,_malloc,_free -sEXPORTED_RUNTIME_METHODS=HEAPU16
# emcc's helpers are Node modules from Debian's own packages; a Node from
# elsewhere does not look there by itself.
EMCC         := NODE_PATH=$${NODE_PATH:-/usr/share/nodejs} nice emcc $(EMCC_FLAGS)

.PHONY: all deps build run test test-sanitize test-fresh fuzz-build fuzz fuzz-smoke package bench bench-ui bench-io \
	screenshot install clean web-deps browser-deps web web-serve web-test bench-web web-screenshot \
	deps-arm64 build-arm64 test-arm64 package-arm64 package-deb package-fresh

all: build

deps:
	@scripts/install-deps.sh $(PACKAGES)

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/ui/velmor-machine

test: build
	$(CTEST) $(BUILD_DIR) -j $(JOBS)
	@$(MAKE) --no-print-directory fuzz-smoke
	@$(MAKE) --no-print-directory web-test
ifeq ($(FULL),1)
	@# The suite has just run: the package build leaves it out.
	@DEB_BUILD_OPTIONS=nocheck $(MAKE) --no-print-directory package
	@$(MAKE) --no-print-directory test-sanitize
endif

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMOR_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST) $(SANITIZE_DIR) -j $(JOBS)

# The README's make test in a fresh Debian 12 root, as root and as a user
# with sudo; it takes long, so CI leaves it out.
test-fresh:
	@scripts/install-deps.sh $(FRESH_PACKAGES)
	scripts/test-fresh.sh

# The source package built, linted, installed and tested with autopkgtest in
# a fresh Debian 12 root, as a distribution would; it takes long too.
package-fresh:
	@scripts/install-deps.sh $(FRESH_PACKAGES)
	scripts/package-fresh.sh

fuzz-build: deps
	@scripts/install-deps.sh $(FUZZ_PACKAGES)
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) --target fuzzers

# Each fuzzer for FUZZ_SECONDS; fuzz-smoke gives each a few seconds.
fuzz: fuzz-build
	fuzz/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	fuzz/run-fuzzers.sh $(FUZZ_DIR) 5

# The two Debian packages, velmor and velmor-machine, built from debian/ with
# the test suite (DEB_BUILD_OPTIONS=nocheck leaves it out), moved with the
# .changes from the parent folder into $(BUILD_DIR), then checked: what each
# holds and depends on, lintian on the .changes, appstreamcli and
# desktop-file-validate.
package: deps
	@scripts/install-deps.sh $(LINT_PACKAGES) $(DEB_PACKAGES)
	@$(MAKE) --no-print-directory package-deb

package-deb:
	rm -f $(PACKAGE_FILES) $(BUILD_DIR)/$(PACKAGE_CHANGES)
	@# No compiler cache: one with a base_dir changes the debug information,
	@# and with it the build ids in the programs, so the packages would differ.
	nice dpkg-buildpackage -us -uc -b $(PACKAGE_OPTIONS)
	@mkdir -p $(BUILD_DIR)
	for file in $(PACKAGE_CHANGES) $$(sed -n '/^Files:/,/^[^ ]/ s/^ .* //p' ../$(PACKAGE_CHANGES)); do \
		mv ../$$file $(BUILD_DIR)/ || exit 1; done
	packaging/check-package.sh $(PACKAGE_FILES)
	packaging/lint-package.sh $(BUILD_DIR)/$(PACKAGE_CHANGES)

# 64-bit ARM: cross-built with Debian's multiarch packages; the programs the
# build and the tests run go through qemu-user-static.
deps-arm64: deps
	@scripts/install-deps.sh $(ARM64_PACKAGES)
	@scripts/arm64-emulation.sh

build-arm64: deps-arm64
	@cmake -S . -B $(ARM64_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/aarch64-linux-gnu.cmake >/dev/null
	@cmake --build $(ARM64_DIR)

# The whole suite, the known answers included, on the arm64 build.
test-arm64: build-arm64
	$(CTEST) $(ARM64_DIR)

# The arm64 packages, cross-built from debian/ as Debian cross-builds, and
# checked as make package does for this machine. make test-arm64 runs the
# suite on the arm64 build, so the package build leaves it out.
package-arm64: deps-arm64
	@scripts/install-deps.sh $(LINT_PACKAGES) $(DEB_PACKAGES)
	$(SUDO) apt-get -o DPkg::Lock::Timeout=600 build-dep -y -qq -a arm64 -P nocheck,cross ./
	@DEB_BUILD_OPTIONS=nocheck $(MAKE) --no-print-directory package-deb BUILD_DIR=$(ARM64_DIR) PACKAGE_ARCH=arm64 \
		PACKAGE_OPTIONS="-a arm64 --build-profiles=nocheck,cross"

bench: build
	$(BUILD_DIR)/bench/velmor_engine_bench

# The window on 10 MB texts, and how soon it appears, on the offscreen platform.
bench-ui: build
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/velmor_ui_bench

# Opening and saving 10 to 200 MB text files, and showing them in a text box.
bench-io: build
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/velmor_io_bench

# The window on a virtual screen after "Encrypt 3": $(BUILD_DIR)/screenshot.png.
screenshot: build
	@scripts/install-deps.sh $(SCREENSHOT_PACKAGES)
	ui/tools/screenshot.sh $(BUILD_DIR)/ui/velmor-machine $(BUILD_DIR)/screenshot.png

# Node and npm come from Debian only where the machine has none of its own:
# Debian's npm cannot sit beside a Node installed from elsewhere.
web-deps:
	@scripts/install-deps.sh $(WEB_PACKAGES)
	@command -v node >/dev/null || scripts/install-deps.sh nodejs
	@command -v npm >/dev/null || scripts/install-deps.sh npm

# The page's files are remade only when their sources change.
web: web-deps
	@$(MAKE) --no-print-directory $(WEB_DIR)/index.html

$(WEB_DIR)/engine/createVelmorEngineSimd.js: $(WEB_ENGINE_SOURCES)
	@mkdir -p $(@D)
	$(EMCC) -msimd128 -sEXPORT_NAME=createVelmorEngineSimd $(filter %.cpp,$^) -o $@

$(WEB_DIR)/engine/createVelmorEnginePlain.js: $(WEB_ENGINE_SOURCES)
	@mkdir -p $(@D)
	$(EMCC) -sEXPORT_NAME=createVelmorEnginePlain $(filter %.cpp,$^) -o $@

# Debian's own Python, which has Debian's fontTools.
$(WEB_DIR)/engine/mask.ttf: web/mask_font.py debian/changelog
	@mkdir -p $(@D)
	/usr/bin/python3 web/mask_font.py $@

$(WEB_DIR)/index.html: $(WEB_PAGE_SOURCES) $(WEB_DIR)/engine/createVelmorEngineSimd.js \
		$(WEB_DIR)/engine/createVelmorEnginePlain.js $(WEB_DIR)/engine/mask.ttf
	python3 web/assemble.py web $(WEB_DIR)/engine/createVelmorEngineSimd.js $(WEB_DIR)/engine/createVelmorEnginePlain.js \
		$(WEB_DIR)/engine/mask.ttf $@
	@echo "Built $@ ($$(wc -c < $@) bytes, $$(gzip -9c $@ | wc -c) gzipped)"

web-serve: web
	@echo "The page is at http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C ends)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_DIR)

browser-deps: web-deps
	@scripts/install-deps.sh $(BROWSER_PACKAGES)

tests/web/node_modules/.package-lock.json: tests/web/package.json tests/web/package-lock.json
	cd tests/web && npm ci --no-audit --no-fund

# The page in headless Chromium; checked against velmor from $(BUILD_DIR).
# First, that the runner fails on a skipped test.
web-test: web browser-deps tests/web/node_modules/.package-lock.json
	tests/runners/skipped_tests_fail.sh node scripts
	VELMOR_WEB_DIR=$(abspath $(WEB_DIR)) VELMOR_CLI=$(abspath $(BUILD_DIR))/cli/velmor \
		scripts/run-node-tests.sh $(abspath $(BUILD_DIR))/web-test.tap tests/web/web.test.mjs tests/web/parts.test.mjs

# 10 MB through Encrypt 12 in headless Chromium, with and without SIMD.
bench-web: web browser-deps tests/web/node_modules/.package-lock.json
	node bench/web_bench.mjs $(WEB_DIR)/index.html

# The page after "Encrypt 3": $(BUILD_DIR)/web-screenshot.png.
web-screenshot: web browser-deps tests/web/node_modules/.package-lock.json
	node web/tools/screenshot.mjs $(WEB_DIR)/index.html $(BUILD_DIR)/web-screenshot.png

install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD_DIR) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(ARM64_DIR)
