# The two entry points of README.md. Everything else is plain CMake.
BUILD     ?= build
BUILD_SAN ?= build-sanitize
JOBS      ?= $(shell nproc)

.PHONY: run test deps build build-sanitize bench clean

deps:
	tools/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-sanitize: deps
	cmake -S . -B $(BUILD_SAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRO_SANITIZE=ON \
	      -DTAVRO_BUILD_APP=OFF -DTAVRO_BUILD_BENCH=OFF
	cmake --build $(BUILD_SAN) -j $(JOBS)

run: build
	tools/run

test: build build-sanitize
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD_SAN) && ctest --output-on-failure -j $(JOBS)

bench: build
	tools/bench $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
