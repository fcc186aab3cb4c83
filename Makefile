# The two commands of the README:
#   make run   install dependencies, build, start Celwright on the bundled sample sheet
#   make test  install dependencies, build, run every test (also under ASan+UBSan, and the fuzzers
#              briefly) and check the Debian package

JOBS ?= $(shell nproc)
# ccache keys on paths relative to the checkout, so a fresh clone reuses what an earlier one built.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := true
SAMPLE := build/sample/bounce.xps

.PHONY: all deps build test test-main test-package test-asan test-fuzz run bench install package screenshots clean

all: build

deps:
	./scripts/install-deps.sh

build/build.ninja:
	cmake -S . -B build -G Ninja

build: deps build/build.ninja
	cmake --build build -j $(JOBS)

test-main: build
	cd build && ctest --output-on-failure -j $(JOBS) --timeout 300

# Everything but the benchmarks: the libraries, celwright-cli, the sheet control and the main
# window (offscreen). Leaks inside the system's media libraries are suppressed (scripts/lsan.supp).
# Without a sound card OpenAL falls back to a silent output whose mixing thread the leak checker's
# tracer cannot stop; the sound goes nowhere here, so the sound sink never tries OpenAL.
build-asan/build.ninja:
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
	  -DCELWRIGHT_SANITIZE=ON -DCELWRIGHT_BENCH=OFF

test-asan: deps build-asan/build.ninja
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  GST_PLUGIN_FEATURE_RANK=openalsink:NONE \
	  ctest --output-on-failure -j $(JOBS) --timeout 600

build-fuzz/build.ninja:
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DCELWRIGHT_FUZZ=ON -DCELWRIGHT_BENCH=OFF

# Builds every fuzz target and replays its seed corpus plus a short random run.
test-fuzz: deps build-fuzz/build.ninja
	cmake --build build-fuzz -j $(JOBS) --target fuzzers
	./fuzz/run-all.sh build-fuzz 15

test: test-main test-package test-asan test-fuzz

run: build
	./build/app/celwright "$(SAMPLE)"

# make install [PREFIX=/usr/local] [DESTDIR=/scratch]
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

# The Debian package, build/celwright_<version>_amd64.deb, checked for its files and by lintian.
package: build
	rm -f build/celwright_*_amd64.deb
	cd build && cpack -G DEB
	./desktop/tests/check-package.sh build/celwright_*_amd64.deb

# make test builds and checks the package too (some 20 seconds).
test-package: package

# The user guide's pictures, taken from the real program on a virtual display.
screenshots: build
	./scripts/make-screenshots.sh build

bench: build
	./build/bench/celwright-bench
	./build/bench/celwright-large-files-bench
	./build/bench/celwright-sheetview-bench
	./build/bench/celwright-sound-bench
	./build/bench/celwright-capture-bench
	./build/bench/celwright-recovery-bench

clean:
	rm -rf build build-asan build-fuzz
