# The two entry points of README.md. Everything else is plain CMake.
BUILD     ?= build
BUILD_SAN ?= build-sanitize
BUILD_TSAN ?= build-tsan
BUILD_CLANG ?= build-clang
JOBS      ?= $(shell nproc)

.PHONY: run test deps build build-sanitize build-tsan build-clang lint bench clean

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

# The core and the agent server compiled with clang as well, so the code keeps to the language
# rather than to one compiler's reading of it. Nothing is run.
CLANG_TARGETS = TavroModel TavroFiles TavroStore TavroLedger TavroNotifier TavroKeychain TavroSync TavroMCPLib \
                tavro-mcp tavro-sync-driver tavro-store-probe
build-clang: deps
	cmake -S . -B $(BUILD_CLANG) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	      -DCMAKE_CXX_COMPILER=clang++ -DTAVRO_BUILD_APP=OFF -DTAVRO_BUILD_BENCH=OFF
	cmake --build $(BUILD_CLANG) -j $(JOBS) --target $(CLANG_TARGETS)

# Layout (.clang-format) and checks (.clang-tidy); the checks read the compile commands of the
# clang build for the core and of the optimised build for the app.
lint: build build-clang
	tools/lint $(BUILD) $(BUILD_CLANG)

run: build
	tools/run

# The ASan/UBSan run leaves out the tests labelled xvfb (the app's X11 tests at two scales and the
# real app driven under Xvfb, icewm and xdotool): each starts a desktop and waits on it with time
# limits sized for the optimised build, which they already run in; most of the code under them
# runs offscreen here.
# Two app tests bound wall-clock time with limits sized for the optimised build, which runs them:
# a library opened beside a silent bus within 1 s, and a 2 MB agent file rewritten within 5 s.
# Unoptimised under ASan they measure the sanitizer (1.5 to 2.5 s, and over 5 s, on a loaded
# machine), so its run leaves them out. GTEST_FILTER reaches only the D-Bus program, which runs
# whole; the other tests are named on their command line.
SAN_TIMED_DBUS = LibraryOnTheBusTest.ASilentBusHoldsNothingUp
SAN_TIMED = AgentHomeFixture.ConnectWritesABigClientFileOffTheGUIThreadAndKeepsItsOtherEntries
# One core test bounds the process's peak memory while a large sync reply is read; ASan's redzones
# and its quarantine of freed blocks are what it would measure there.
SAN_MEASURED = SyncClientTest.AReplyIsHeldAboutOnceWhileItIsRead

test: build build-sanitize build-tsan build-clang lint
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD_SAN) && LSAN_OPTIONS="suppressions=$(CURDIR)/tests/lsan.supp" \
	    GTEST_FILTER=-$(SAN_TIMED_DBUS) ctest --output-on-failure -j $(JOBS) -LE xvfb -E "$(SAN_TIMED)|$(SAN_MEASURED)"
	cd $(BUILD_TSAN) && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	    ctest --output-on-failure -j $(JOBS) -L "sync-engine|app-threads"

bench: build
	tools/bench $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_TSAN) $(BUILD_CLANG)
