// The store's share of a sync pass: rows pulled from a reply, each merged in a transaction of
// its own (the time one row holds the write lock is the longest the other program waits), and
// push records built and acknowledged for the pending rows.
//
// Goal: one request's 500 push records listed and built within 50 ms.
#include "ledger/SyncLedger.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"
#include "sync/PushBatch.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace tavro;
using nlohmann::json;

namespace {

struct Scratch {
    Scratch() {
        auto folder = fs::temp_directory_path() / "tavro-bench-sync";
        fs::remove_all(folder);
        setenv("TAVRO_HOME", folder.c_str(), 1);
        store = std::make_unique<CaptureStore>(folder / "tavro.sqlite",
                                               std::make_shared<NullStoreChangeNotifier>());
        ledger = std::make_unique<SyncLedger>(*store);
    }

    static json pulledCapture(const std::string& id) {
        return {{"id", id},
                {"workspace_id", "3f2b8c1e-4d5a-4b6c-9e7f-0a1b2c3d4e5f"},
                {"author_id", "u1"},
                {"updated_at", "2026-01-01T00:00:00.250Z"},
                {"created_at", "2026-01-01T00:00:00Z"},
                {"version", 3},
                {"note", "Checkout button does nothing\nSteps: open the cart, press Pay."},
                {"status", "open"},
                {"priority", "high"},
                {"app_name", "Safari"},
                {"window_title", "Cart"},
                {"display_scale", 2},
                {"tags", {"checkout", "ui", "p1"}}};
    }

    std::unique_ptr<CaptureStore> store;
    std::unique_ptr<SyncLedger> ledger;
};

// One reply's worth of new captures, each applied on its own.
void BM_ApplyPulledCaptures(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state)
        for (int i = 0; i < state.range(0); ++i)
            scratch.ledger->applyRemoteCapture(Scratch::pulledCapture(makeUUID()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ApplyPulledCaptures)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);

// The same row merged again over a capture with a locally pending note.
void BM_MergePulledCaptureOverPendingEdit(benchmark::State& state) {
    Scratch scratch;
    const auto row = Scratch::pulledCapture(makeUUID());
    scratch.ledger->applyRemoteCapture(row);
    scratch.store->db().execute(
        "UPDATE captures SET sync_state = 'pendingPush', pending = '{\"note\":true}';");
    for (auto _ : state)
        scratch.ledger->applyRemoteCapture(row);
}
BENCHMARK(BM_MergePulledCaptureOverPendingEdit)->Unit(benchmark::kMicrosecond);

// A pass's push side: 200 captures listed, built into whole records and acknowledged.
void BM_PushTwoHundredCaptures(benchmark::State& state) {
    Scratch scratch;
    for (int i = 0; i < 200; ++i)
        scratch.ledger->applyRemoteCapture(Scratch::pulledCapture(makeUUID()));
    for (auto _ : state) {
        state.PauseTiming();
        scratch.store->db().execute(
            "UPDATE captures SET sync_state = 'pendingPush', pending = '{\"*\":true}';");
        state.ResumeTiming();
        for (const auto& pending : scratch.ledger->pending("captures", 200)) {
            auto record = scratch.ledger->captureChange(pending);
            scratch.ledger->markSynced("captures", pending, 4, record);
        }
    }
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_PushTwoHundredCaptures)->Unit(benchmark::kMillisecond);

// A full request: 100 groups, 200 captures, 100 screenshots and 100 comments. The screenshots'
// files are on the service already (their uploads are the upload benchmark's).
void BM_CollectFiveHundredPushRecords(benchmark::State& state) {
    Scratch scratch;
    auto& store = *scratch.store;
    store.setSyncMeta("default_workspace_id", "3f2b8c1e-4d5a-4b6c-9e7f-0a1b2c3d4e5f");
    store.db().transaction([&] {
        for (int i = 0; i < 200; ++i) {
            const auto id = makeUUID();
            store.insert({.id = id,
                          .createdAt = 1'700'000'000.0 + i,
                          .note = "Checkout button does nothing\nSteps: open the cart, press Pay.",
                          .appName = "Safari",
                          .windowTitle = "Cart"});
            store.setTags({"checkout", "ui"}, id);
            if (i % 2)
                continue;
            store.upsertGroup({.id = makeUUID(),
                               .name = "Group " + std::to_string(i),
                               .colorHex = "#5B8DEF",
                               .visibility = GroupVisibility::workspace});
            store.addImage({.id = makeUUID(),
                            .captureID = id,
                            .position = 0,
                            .imagePath = "2026/01/shot.png",
                            .thumbPath = "2026/01/shot.jpg",
                            .width = 3024,
                            .height = 1964,
                            .bytes = 300'000,
                            .createdAt = 1'700'000'000.0 + i,
                            .originalSHA256 = std::string(64, 'a'),
                            .thumbSHA256 = std::string(64, 'b')});
            store.addComment({.id = makeUUID(),
                              .captureID = id,
                              .author = "you",
                              .body = "Seen on the staging site too",
                              .createdAt = 1'700'000'000.0 + i,
                              .kind = "comment"});
        }
    });
    size_t records = 0;
    for (auto _ : state) {
        const auto batch = collectPush(*scratch.ledger, [](const CaptureImage&) {});
        records = batch.changes.size();
        benchmark::DoNotOptimize(batch);
    }
    state.counters["records"] = double(records);
}
BENCHMARK(BM_CollectFiveHundredPushRecords)->Unit(benchmark::kMillisecond);

} // namespace
