#include "store/CaptureStore.h"

#include "TempLibrary.h"
#include "files/LibraryFiles.h"
#include "model/Paths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

namespace {

unsigned modeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

} // namespace

TEST(LibraryPermissions, FoldersAndFilesAreTheOwnersAloneWhenMadeAndWhenReopened) {
    TempLibrary library;
    const fs::path root = library.root();
    const std::vector<std::pair<fs::path, unsigned>> expected = {
        {root, 0700},
        {root / "captures", 0700},
        {root / "thumbs", 0700},
        {root / "logs", 0700},
        {root / "thumbs/2026", 0700},
        {root / "thumbs/2026/03", 0700},
        {root / "thumbs/2026/03/a.jpg", 0600},
        {root / "tavro.sqlite", 0600},
        {root / "tavro.sqlite-wal", 0600},
        {root / "tavro.sqlite-shm", 0600},
    };
    auto check = [&](const char* when) {
        for (const auto& [path, mode] : expected)
            EXPECT_EQ(modeOf(path), mode) << when << ": " << path;
    };
    {
        CaptureStore store(library.database(), std::make_shared<NullStoreChangeNotifier>());
        ASSERT_TRUE(LibraryFiles::writeThumbnail("2026/03/a.jpg", LibraryFiles::Bytes()));
        store.db().execute("INSERT INTO sync_meta (key, value) VALUES ('k', 'v');");
        check("made");
        // As an earlier release left it: open to every local user.
        for (const auto& [path, mode] : expected)
            ::chmod(path.c_str(), mode == 0700 ? 0755 : 0644);
    }
    CaptureStore reopened(library.database(), std::make_shared<NullStoreChangeNotifier>());
    // The files inside the closed folders are out of reach without a change of their own.
    for (const auto& [path, mode] : expected) {
        if (path.parent_path() == root || path == root) {
            EXPECT_EQ(modeOf(path), mode) << "reopened: " << path;
        }
    }
}
