// The facade's reload on a board of 1,000 captures. Goals: the read on the worker under 50 ms;
// the GUI thread's share of a reload (its thread time, from the request to the published state)
// at most 2 ms; 50 store-changed signals within 100 ms cost one reload.
#include "model/Paths.h"
#include "model/Uuid.h"
#include "platform/StoreChangeListener.h"
#include "shell/Library.h"
#include "shell/ThumbnailLoader.h"
#include "store/CaptureStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "tavro_library_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Every third capture tagged, every fifth commented, a handful of groups: a busy board.
void fill(CaptureStore& store, int count) {
    store.db().transaction([&] {
        std::vector<std::string> groups;
        for (int g = 0; g < 8; ++g) {
            CaptureGroup group;
            group.id = makeUUID();
            group.name = "Group " + std::to_string(g);
            group.colorHex = "#6E7BF2";
            group.createdAt = group.updatedAt = now();
            groups.push_back(store.upsertGroup(group).id);
        }
        for (int i = 0; i < count; ++i) {
            Capture capture;
            capture.id = makeUUID();
            capture.createdAt = capture.updatedAt = 1.7e9 + i;
            capture.note = "Capture " + std::to_string(i) + "\nwith a body line";
            capture.priority = CapturePriority(i % 3);
            capture.status = CaptureStatus(i % 4);
            capture.groupID = groups[size_t(i) % groups.size()];
            capture.imagePath = "2024/01/" + capture.id + ".png";
            capture.appName = "Editor";
            store.insert(capture);
            if (i % 3 == 0)
                store.setTags({"ui", "tag" + std::to_string(i % 17)}, capture.id);
            if (i % 5 == 0) {
                Comment comment;
                comment.id = makeUUID();
                comment.captureID = capture.id;
                comment.author = "you";
                comment.body = "noted";
                comment.createdAt = now();
                comment.kind = "comment";
                store.addComment(comment);
            }
        }
    });
}

// A busy board in a library of its own, removed again at the end.
struct Board {
    explicit Board(int count)
        : home(fs::temp_directory_path() / ("tavro-bench-" + makeUUID())) {
        application();
        setenv("TAVRO_HOME", home.c_str(), 1);
        TavroPaths::ensureDirectories();
        store = std::make_shared<CaptureStore>(TavroPaths::databasePath(),
                                               std::make_shared<NullStoreChangeNotifier>());
        fill(*store, count);
    }
    ~Board() {
        std::error_code ignored;
        fs::remove_all(home, ignored);
    }

    fs::path home;
    std::shared_ptr<CaptureStore> store;
};

double threadSeconds() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) * 1e-9;
}

// Runs the event loop until the facade has published every reload asked for.
void settle(const Library& library) {
    while (library.reloadPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The worker's part: one whole read of the board and its comparison with the last one.
void BM_LibraryReload(benchmark::State& state) {
    Board board(int(state.range(0)));
    LibraryReader reader(TavroPaths::databasePath(), Library::reloadLimit);
    auto previous = reader.read(nullptr, true).state;
    size_t captures = 0;
    for (auto _ : state) {
        auto outcome = reader.read(previous, true);
        captures = outcome.state->captures.size();
        benchmark::DoNotOptimize(outcome);
    }
    state.counters["captures"] = double(captures);
}
BENCHMARK(BM_LibraryReload)->Arg(1000)->Unit(benchmark::kMillisecond);

// The GUI thread's part of a reload after another program changed a capture: its own thread
// time from the request to the published state, waiting on the worker left out.
void BM_LibraryReloadGuiThread(benchmark::State& state) {
    Board board(int(state.range(0)));
    ThumbnailLoader thumbnails;
    Library library(board.store, thumbnails, std::make_unique<StoreChangeListener>());
    CaptureStore agent(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    const std::string id = library.captures().front().id;
    int round = 0;
    for (auto _ : state) {
        agent.setStatus(id, round++ % 2 ? CaptureStatus::open : CaptureStatus::resolved, "agent");
        const double start = threadSeconds();
        library.checkForChanges();
        settle(library);
        state.SetIterationTime(threadSeconds() - start);
    }
    state.counters["captures"] = double(library.captures().size());
}
BENCHMARK(BM_LibraryReloadGuiThread)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

// 50 store-changed signals spread over 100 ms, each after a write by another program, from the
// first signal until the board is published; "reloads" counts the reloads per burst.
void BM_LibraryReloadBurst(benchmark::State& state) {
    Board board(int(state.range(0)));
    auto listener = std::make_unique<StoreChangeListener>();
    StoreChangeListener& bus = *listener;
    ThumbnailLoader thumbnails;
    Library library(board.store, thumbnails, std::move(listener));
    CaptureStore agent(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    const std::string id = library.captures().front().id;
    int reloads = 0;
    QObject::connect(&library, &Library::reloaded, [&] { ++reloads; });
    constexpr int burst = 50;
    constexpr qint64 spreadNs = 100'000'000;
    int round = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < burst; ++i) {
            while (clock.nsecsElapsed() < spreadNs * i / burst)
                QCoreApplication::processEvents();
            agent.setStatus(id, round++ % 2 ? CaptureStatus::open : CaptureStatus::resolved,
                            "agent");
            emit bus.changed();
        }
        settle(library);
    }
    state.counters["reloads"] =
        benchmark::Counter(double(reloads), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LibraryReloadBurst)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
