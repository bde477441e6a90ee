// The writes the note box, the detail pane and agents make on screenshots, tags and groups.
#include "model/Paths.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

struct Scratch {
    Scratch() {
        auto folder = fs::temp_directory_path() / "tavro-bench-board-writes";
        fs::remove_all(folder);
        setenv("TAVRO_HOME", folder.c_str(), 1);
        store = std::make_unique<CaptureStore>(folder / "tavro.sqlite",
                                               std::make_shared<NullStoreChangeNotifier>());
        store->db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, "
                            "workspace_id) VALUES ('c', 1, 1, '', 'w1');");
    }

    CaptureImage append() {
        CaptureImage image{.id = makeUUID(), .captureID = "c", .position = -1, .createdAt = now()};
        image.imagePath = TavroPaths::relativeImagePath(image.id, image.createdAt, "png");
        image.thumbPath = TavroPaths::relativeImagePath(image.id, image.createdAt, "jpg");
        return store->addImage(image);
    }

    std::unique_ptr<CaptureStore> store;
};

// Deleting the cover of a capture with N screenshots renumbers the other N-1; one is appended
// back each round so the count holds.
void BM_DeleteFirstScreenshot(benchmark::State& state) {
    Scratch scratch;
    for (int i = 0; i < state.range(0); ++i)
        scratch.append();
    for (auto _ : state) {
        auto first = scratch.store->images("c").front();
        scratch.store->deleteImage(first.id);
        state.PauseTiming();
        scratch.append();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteFirstScreenshot)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_AppendScreenshot(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state)
        scratch.append();
}
BENCHMARK(BM_AppendScreenshot)->Unit(benchmark::kMicrosecond);

void BM_SetFiveTags(benchmark::State& state) {
    Scratch scratch;
    const std::vector<std::string> tags{" Login ", "UI", "crash", "Äpfel", "regression"};
    for (auto _ : state)
        scratch.store->setTags(tags, "c");
}
BENCHMARK(BM_SetFiveTags)->Unit(benchmark::kMicrosecond);

void BM_UpsertExistingGroup(benchmark::State& state) {
    Scratch scratch;
    CaptureGroup group{.id = "g", .name = "Bugs", .colorHex = "#FF3B30", .createdAt = 1};
    scratch.store->upsertGroup(group);
    for (auto _ : state)
        scratch.store->upsertGroup(group);
}
BENCHMARK(BM_UpsertExistingGroup)->Unit(benchmark::kMicrosecond);

} // namespace
