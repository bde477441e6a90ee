// The facade's reload on a board of 1,000 captures (goal: under 50 ms), which runs on the main
// thread after every write and every change by another program.
#include "model/Paths.h"
#include "model/Uuid.h"
#include "platform/StoreChangeListener.h"
#include "shell/Library.h"
#include "shell/ThumbnailLoader.h"
#include "store/CaptureStore.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
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

void BM_LibraryReload(benchmark::State& state) {
    application();
    const fs::path home = fs::temp_directory_path() / ("tavro-bench-" + makeUUID());
    setenv("TAVRO_HOME", home.c_str(), 1);
    TavroPaths::ensureDirectories();
    auto store = std::make_shared<CaptureStore>(TavroPaths::databaseURL(),
                                                std::make_shared<NullStoreChangeNotifier>());
    fill(*store, int(state.range(0)));
    ThumbnailLoader thumbnails;
    Library library(store, thumbnails, std::make_unique<StoreChangeListener>());
    for (auto _ : state)
        library.reload();
    state.counters["captures"] = double(library.captures().size());
    std::error_code ignored;
    fs::remove_all(home, ignored);
}
BENCHMARK(BM_LibraryReload)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
