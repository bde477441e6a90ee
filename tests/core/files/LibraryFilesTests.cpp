#include "files/LibraryFiles.h"

#include "TempLibrary.h"
#include "model/Paths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace tavro;
using tavro::test::filesUnder;
using tavro::test::readFile;
using tavro::test::TempLibrary;
using tavro::test::writeFile;
using Folder = LibraryFiles::Folder;

namespace {

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST(LibraryFiles, NamesKeepWhatRowsHaveAlwaysStored) {
    struct Case {
        std::string original;
        std::string thumbnail;
        std::string marked;
        std::string markedThumbnail;
    };
    const Case cases[] = {
        {"2026/03/abc.png", "2026/03/abc.jpg", "2026/03/abc-marked.png", "2026/03/abc-marked.jpg"},
        {"2026/03/a.b.png", "2026/03/a.b.jpg", "2026/03/a.b-marked.png", "2026/03/a.b-marked.jpg"},
        {"dir.x/plain", "dir.x/plain.jpg", "dir.x/plain-marked.png", "dir.x/plain-marked.jpg"},
        {"plain", "plain.jpg", "plain-marked.png", "plain-marked.jpg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LibraryFiles::thumbnailName(c.original), c.thumbnail) << c.original;
        EXPECT_EQ(LibraryFiles::markedCopyName(c.original), c.marked) << c.original;
        EXPECT_EQ(LibraryFiles::thumbnailName(LibraryFiles::markedCopyName(c.original)),
                  c.markedThumbnail)
            << c.original;
    }
    EXPECT_EQ(LibraryFiles::originalName("abc", 1774996200),
              TavroPaths::relativeImagePath("abc", 1774996200, "png"));
}

TEST(LibraryFiles, EveryOperationRefusesNamesOutsideTheLibrary) {
    TempLibrary library;
    writeFile(library.root() / "outside.png", "keep");
    for (const std::string name : {"", "/etc/passwd", "../outside.png", "a/../../outside.png"}) {
        EXPECT_EQ(LibraryFiles::locate(Folder::captures, name), std::nullopt) << name;
        LibraryFiles::remove(Folder::captures, name);
        EXPECT_EQ(LibraryFiles::byteCount(Folder::captures, name), std::nullopt) << name;
    }
    EXPECT_EQ(LibraryFiles::writeThumbnail("../../outside.png", bytes("x")), std::nullopt);
    EXPECT_EQ(readFile(library.root() / "outside.png"), "keep");
    EXPECT_EQ(filesUnder(library.root()), 1u);
}

TEST(LibraryFiles, AtomicWriteReplacesWholeFilesAndLeavesNothingBehind) {
    TempLibrary library;
    const fs::path file = library.root() / "captures/a.png";
    fs::create_directories(file.parent_path());

    EXPECT_EQ(LibraryFiles::writeAtomically(file, bytes("first")), std::nullopt);
    EXPECT_EQ(readFile(file), "first");
    ::chmod(file.c_str(), 0640);
    EXPECT_EQ(LibraryFiles::writeAtomically(file, bytes("second, longer")), std::nullopt);
    EXPECT_EQ(readFile(file), "second, longer");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(filesUnder(file.parent_path()), 1u);

    // A folder that is missing fails with a text and writes nothing.
    const auto error = LibraryFiles::writeAtomically(library.root() / "none/b.png", bytes("x"));
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("b.png"), std::string::npos);
    EXPECT_FALSE(fs::exists(library.root() / "none"));
}

TEST(LibraryFiles, ThumbnailsRemovalAndMeasuring) {
    TempLibrary library;
    const std::string original = "2026/03/abc.png";
    writeFile(library.root() / "captures" / original, "12345");

    EXPECT_EQ(LibraryFiles::byteCount(Folder::captures, original), 5);
    EXPECT_EQ(LibraryFiles::unmarked(original).thumbnailName, std::nullopt);
    EXPECT_EQ(LibraryFiles::unmarked(original).byteCount, 5);

    EXPECT_EQ(LibraryFiles::writeThumbnail(original, bytes("jpg")), "2026/03/abc.jpg");
    EXPECT_EQ(readFile(library.root() / "thumbs/2026/03/abc.jpg"), "jpg");
    EXPECT_EQ(LibraryFiles::unmarked(original).thumbnailName, "2026/03/abc.jpg");

    // Folders are never removed, files are, and a second removal is harmless.
    fs::create_directories(library.root() / "thumbs/2026/03/folder.jpg");
    LibraryFiles::remove(Folder::thumbs, "2026/03/folder.jpg");
    EXPECT_TRUE(fs::is_directory(library.root() / "thumbs/2026/03/folder.jpg"));
    LibraryFiles::remove(Folder::thumbs, "2026/03/abc.jpg");
    LibraryFiles::remove(Folder::thumbs, "2026/03/abc.jpg");
    EXPECT_FALSE(fs::exists(library.root() / "thumbs/2026/03/abc.jpg"));
    EXPECT_EQ(LibraryFiles::byteCount(Folder::thumbs, "2026/03/abc.jpg"), std::nullopt);
}
