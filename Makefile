# The two entry points of README.md. Everything else is plain CMake.
BUILD     ?= build
BUILD_SAN ?= build-sanitize
BUILD_TSAN ?= build-tsan
JOBS      ?= $(shell nproc)

.PHONY: run test deps build build-sanitize build-tsan bench clean

deps:
	tools/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-sanitize: deps
	cmake -S . -B $(BUILD_SAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRO_SANITIZE=ON \
	      -DTAVRO_BUILD_BENCH=OFF
	cmake --build $(BUILD_SAN) -j $(JOBS)

# ThreadSanitizer over the tests of the threads: the sync engine's, and the app's reader, writer,
# detail reads, account and relay (on the offscreen platform). Only those programs are built.
build-tsan: deps
	cmake -S . -B $(BUILD_TSAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRO_SANITIZE_THREAD=ON \
	      -DTAVRO_BUILD_BENCH=OFF
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target tavro_sync_engine_tests tavro_app_thread_tests

run: build
	tools/run

# The ASan/UBSan run leaves out the tests labelled xvfb (the app's X11 tests at two scales and the
# real app driven under Xvfb, icewm and xdotool): each starts a desktop and waits on it with time
# limits sized for the optimised build, which they already run in; the code under them is what
# the offscreen tests run here.
test: build build-sanitize build-tsan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD_SAN) && LSAN_OPTIONS="suppressions=$(CURDIR)/tests/lsan.supp" \
	    ctest --output-on-failure -j $(JOBS) -LE xvfb
	cd $(BUILD_TSAN) && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	    ctest --output-on-failure -j $(JOBS) -L "sync-engine|app-threads"

bench: build
	tools/bench $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_TSAN)
