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
	      -DTAVRO_BUILD_APP=OFF -DTAVRO_BUILD_BENCH=OFF
	cmake --build $(BUILD_SAN) -j $(JOBS)

# ThreadSanitizer over the sync engine's tests alone: its threads are where races would be.
build-tsan: deps
	cmake -S . -B $(BUILD_TSAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRO_SANITIZE_THREAD=ON \
	      -DTAVRO_BUILD_APP=OFF -DTAVRO_BUILD_BENCH=OFF
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target tavro_sync_engine_tests

run: build
	tools/run

test: build build-sanitize build-tsan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD_SAN) && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD_TSAN) && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/core/sync/engine/tsan.supp" ctest --output-on-failure -j $(JOBS) -L sync-engine

bench: build
	tools/bench $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_TSAN)
