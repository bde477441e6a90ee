#include "BusyLibrary.h"

#include "model/Paths.h"
#include "model/Uuid.h"
#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace tavro::bench {

void fillBusyBoard(CaptureStore& store, int count,
                   const std::function<void(Capture&, int i)>& shape) {
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
            capture.thumbPath = "2024/01/" + capture.id + "_thumb.jpg";
            capture.appName = "Editor";
            capture.appBundleID = "org.example.editor";
            capture.windowTitle = "checkout flow " + std::to_string(i % 40) + " - Editor";
            capture.url = "https://shop.example.test/checkout/step-" + std::to_string(i % 9);
            if (shape)
                shape(capture, i);
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

const fs::path& filledBusyLibrary(int count, const std::function<void(Capture&, int i)>& shape) {
    static std::map<int, fs::path> made;
    static const fs::path folder = fs::temp_directory_path() / ("tavro-bench-" + makeUUID());
    static const struct Cleanup {
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } cleanup;
    const fs::path library = folder / std::to_string(count);
    setenv("TAVRO_HOME", library.c_str(), 1);
    if (auto found = made.find(count); found != made.end())
        return found->second;
    TavroPaths::ensureDirectories();
    {
        CaptureStore store(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
        fillBusyBoard(store, count, shape);
        store.db().executeRaw("PRAGMA wal_checkpoint(TRUNCATE);");
    }
    return made[count] = library;
}

BusyLibrary::BusyLibrary(int count)
    : home(fs::temp_directory_path() / ("tavro-bench-" + makeUUID())) {
    filledBusyLibrary(count);
    const fs::path filled = TavroPaths::databasePath();
    setenv("TAVRO_HOME", home.c_str(), 1);
    TavroPaths::ensureDirectories();
    fs::copy_file(filled, TavroPaths::databasePath(), fs::copy_options::overwrite_existing);
    store = std::make_shared<CaptureStore>(TavroPaths::databasePath(),
                                           std::make_shared<NullStoreChangeNotifier>());
}

BusyLibrary::~BusyLibrary() {
    store.reset();
    std::error_code ignored;
    fs::remove_all(home, ignored);
}

} // namespace tavro::bench
