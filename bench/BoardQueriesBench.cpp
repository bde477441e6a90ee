// The board's reads and writes on a library of 10,000 live captures with tags, comments,
// screenshots and history: what each reload of a board view, each agent reference and each new
// capture pays.
#include "model/Uuid.h"
#include "store/CaptureStore.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

constexpr int liveCaptures = 10'000;

struct Board {
    std::unique_ptr<CaptureStore> store;
    std::vector<std::string> ids;
};

Capture generated(std::mt19937& random, int index) {
    static constexpr std::array apps{"Firefox", "Files", "Terminal", "Settings", "Mail"};
    Capture c;
    c.id = makeUUID();
    c.createdAt = 1.7e9 + index * 60.0;
    c.updatedAt = c.createdAt;
    c.note = "Issue " + std::to_string(index) + "\nSteps to reproduce, expected and actual result.";
    c.status = allCases<CaptureStatus>()[random() % 4];
    c.priority = allCases<CapturePriority>()[random() % 3];
    c.imagePath = "2026/03/" + c.id + ".png";
    c.thumbPath = "2026/03/" + c.id + ".jpg";
    c.imageWidth = 1440;
    c.imageHeight = 900;
    c.imageBytes = 250'000;
    c.appName = apps[random() % apps.size()];
    c.windowTitle = "Window " + std::to_string(index % 97);
    if (index % 3 == 0)
        c.workspaceID = "w1";
    return c;
}

// Built once per run; every benchmark reads the same library.
Board& board() {
    static Board built = [] {
        auto folder = fs::temp_directory_path() / "tavro-bench-board";
        fs::remove_all(folder);
        setenv("TAVRO_HOME", folder.c_str(), 1);
        Board b;
        b.store = std::make_unique<CaptureStore>(folder / "tavro.sqlite",
                                                 std::make_shared<NullStoreChangeNotifier>());
        auto& store = *b.store;
        auto& db = store.db();
        std::mt19937 random(7);
        db.transaction([&] {
            for (int tag = 0; tag < 30; ++tag)
                db.execute("INSERT INTO tags (id, name, created_at) VALUES (?, ?, 1);",
                           {"t" + std::to_string(tag), "tag-" + std::to_string(tag)});
            for (int i = 0; i < liveCaptures; ++i) {
                auto capture = generated(random, i);
                store.insert(capture);
                b.ids.push_back(capture.id);
                for (unsigned t = random() % 4, first = random() % 27; t > 0; --t)
                    db.execute("INSERT INTO capture_tags (capture_id, tag_id) VALUES (?, ?);",
                               {capture.id, "t" + std::to_string(first + t)});
                db.execute("INSERT INTO capture_images (id, capture_id, position, image_path, "
                           "created_at) VALUES (?, ?, 0, ?, 1);",
                           {makeUUID(), capture.id, capture.imagePath});
                for (unsigned k = random() % 4; k > 0; --k)
                    db.execute("INSERT INTO comments (id, capture_id, author, body, created_at) "
                               "VALUES (?, ?, 'you', 'Seen again on the next build.', ?);",
                               {makeUUID(), capture.id, capture.createdAt + k});
                for (unsigned e = random() % 4; e > 0; --e)
                    store.recordActivity(capture.id, "status_changed", "Open → In Progress", "you",
                                         makeUUID(), capture.createdAt + e);
            }
        });
        return b;
    }();
    return built;
}

void BM_CapturesNewestFirst(benchmark::State& state) {
    auto& store = *board().store;
    CaptureQuery query;
    query.limit = 200;
    query.newestFirst = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.captures(query));
}
BENCHMARK(BM_CapturesNewestFirst)->Unit(benchmark::kMillisecond);

void BM_CapturesActiveWithTagAndSearch(benchmark::State& state) {
    auto& store = *board().store;
    CaptureQuery query;
    query.statuses = std::vector<CaptureStatus>(activeStatuses.begin(), activeStatuses.end());
    query.tag = "TAG-12";
    query.search = "firefox";
    query.limit = 200;
    query.newestFirst = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.captures(query));
}
BENCHMARK(BM_CapturesActiveWithTagAndSearch)->Unit(benchmark::kMillisecond);

void BM_ResolveEightCharacterPrefix(benchmark::State& state) {
    auto& b = board();
    size_t next = 0;
    for (auto _ : state) {
        auto prefix = b.ids[next++ % b.ids.size()].substr(0, 8);
        benchmark::DoNotOptimize(b.store->resolveCaptureID(prefix));
    }
}
BENCHMARK(BM_ResolveEightCharacterPrefix)->Unit(benchmark::kMicrosecond);

void BM_BoardCounts(benchmark::State& state) {
    auto& store = *board().store;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.countsByStatus());
        benchmark::DoNotOptimize(store.imageCounts());
        benchmark::DoNotOptimize(store.commentCounts());
    }
}
BENCHMARK(BM_BoardCounts)->Unit(benchmark::kMillisecond);

void BM_InsertOneCapture(benchmark::State& state) {
    auto& store = *board().store;
    std::mt19937 random(11);
    int index = liveCaptures;
    for (auto _ : state) {
        state.PauseTiming();
        auto capture = generated(random, index++);
        state.ResumeTiming();
        store.insert(capture);
    }
}
BENCHMARK(BM_InsertOneCapture)->Unit(benchmark::kMillisecond);

void BM_ClaimThenResolve(benchmark::State& state) {
    auto& b = board();
    size_t next = 0;
    for (auto _ : state) {
        const auto& id = b.ids[next++ % b.ids.size()];
        b.store->claim(id, "Agent");
        b.store->resolve(id, "abc1234", "Agent");
    }
}
BENCHMARK(BM_ClaimThenResolve)->Unit(benchmark::kMillisecond);

} // namespace
