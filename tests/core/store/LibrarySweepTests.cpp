#include "BoardFixture.h"

#include "files/LibraryFiles.h"
#include "store/LibrarySweep.h"

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

TEST_F(BoardFixture, TheSweepRemovesOldUnnamedFilesAndStaleTemporariesOnly) {
    addCapture("c");
    auto named = shot("c", "a");
    named.annotatedPath = "2026/01/a-marked.png";
    store.addImage(named);
    addCapture("legacy");
    store.db().execute("UPDATE captures SET image_path = '2026/01/./cover.png', "
                       "thumb_path = '2026/01/cover.jpg' WHERE id = 'legacy';");

    struct Case {
        std::string file;
        bool old;
        bool stays;
    };
    const std::vector<Case> cases = {
        {"captures/2026/01/a.png", true, true},
        {"captures/2026/01/a-marked.png", true, true},
        {"thumbs/2026/01/a.jpg", true, true},
        {"captures/2026/01/cover.png", true, true},
        {"thumbs/2026/01/cover.jpg", true, true},
        {"captures/2026/01/never-saved.png", true, false},
        {"thumbs/2026/01/never-saved.jpg", true, false},
        {"thumbs/2026/01/a.png", true, false}, // a capture's name, in the other folder
        {"captures/2026/01/.b.png.k3x9q0zz", true, false},
        {"captures/2026/01/composing.png", false, true},
        {"captures/2026/01/.c.png.a1b2c3d4", false, true},
        {"captures/.DS_Store", true, true},
    };
    const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(1);
    std::int64_t swept = 0;
    for (const auto& c : cases) {
        writeFile(library.root() / c.file, std::string(10, 'x'));
        if (c.old)
            fs::last_write_time(library.root() / c.file, oldTime);
        swept += c.stays ? 0 : 1;
    }
    // Temporaries take room until swept; other hidden files are not the library's.
    EXPECT_EQ(LibraryFiles::imageFolderBytes(), std::int64_t(cases.size() - 1) * 10);

    EXPECT_EQ(LibrarySweep::run(store, now()), (LibrarySweep::Result{swept, swept * 10}));
    for (const auto& c : cases)
        EXPECT_EQ(fs::exists(library.root() / c.file), c.stays) << c.file;
    EXPECT_EQ(LibrarySweep::run(store, now()), LibrarySweep::Result{});
}

TEST_F(BoardFixture, TheSweepKeepsTheDrawingMadeHereBesideAPulledOne) {
    addCapture("c");
    auto image = shot("c", "a");
    // The service's drawing was pulled under a name of its own; this computer's stays beside it.
    image.annotatedPath = "2026/01/a-marked-0123456789ab.png";
    store.addImage(image);

    const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* file : {"captures/2026/01/a.png", "captures/2026/01/a-marked-0123456789ab.png",
                             "captures/2026/01/a-marked.png", "captures/2026/01/b-marked.png"}) {
        writeFile(library.root() / file, std::string(10, 'x'));
        fs::last_write_time(library.root() / file, oldTime);
    }

    EXPECT_EQ(LibrarySweep::run(store, now()), (LibrarySweep::Result{1, 10}));
    EXPECT_TRUE(fs::exists(library.root() / "captures/2026/01/a-marked.png"));
    EXPECT_TRUE(fs::exists(library.root() / "captures/2026/01/a-marked-0123456789ab.png"));
    EXPECT_FALSE(fs::exists(library.root() / "captures/2026/01/b-marked.png"))
        << "a marked copy of no stored screenshot";
}
