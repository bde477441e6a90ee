// The store's share of a sync pass: rows pulled from a reply, each merged in a transaction of
// its own (the time one row holds the write lock is the longest the other program waits), and
// push records built and acknowledged for the pending rows.
#include "model/Uuid.h"
#include "store/CaptureStore.h"

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
};

// One reply's worth of new captures, each applied on its own.
void BM_ApplyPulledCaptures(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state)
        for (int i = 0; i < state.range(0); ++i)
            scratch.store->applyRemoteCapture(Scratch::pulledCapture(makeUUID()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ApplyPulledCaptures)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);

// The same row merged again over a capture with a locally pending note.
void BM_MergePulledCaptureOverPendingEdit(benchmark::State& state) {
    Scratch scratch;
    const auto row = Scratch::pulledCapture(makeUUID());
    scratch.store->applyRemoteCapture(row);
    scratch.store->db().execute(
        "UPDATE captures SET sync_state = 'pendingPush', pending = '{\"note\":true}';");
    for (auto _ : state)
        scratch.store->applyRemoteCapture(row);
}
BENCHMARK(BM_MergePulledCaptureOverPendingEdit)->Unit(benchmark::kMicrosecond);

// A pass's push side: 200 captures listed, built into whole records and acknowledged.
void BM_PushTwoHundredCaptures(benchmark::State& state) {
    Scratch scratch;
    for (int i = 0; i < 200; ++i)
        scratch.store->applyRemoteCapture(Scratch::pulledCapture(makeUUID()));
    for (auto _ : state) {
        state.PauseTiming();
        scratch.store->db().execute(
            "UPDATE captures SET sync_state = 'pendingPush', pending = '{\"*\":true}';");
        state.ResumeTiming();
        for (const auto& pending : scratch.store->pending("captures", 200)) {
            auto record = scratch.store->captureChange(pending);
            scratch.store->markSynced("captures", pending, 4, record);
        }
    }
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_PushTwoHundredCaptures)->Unit(benchmark::kMillisecond);

} // namespace
