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
        std::string marked;
        std::string asJPEG;
    };
    const Case cases[] = {
        {"2026/03/abc.png", "2026/03/abc-marked.png", "2026/03/abc.jpg"},
        {"2026/03/a.b.png", "2026/03/a.b-marked.png", "2026/03/a.b.jpg"},
        {"dir.x/plain", "dir.x/plain-marked.png", "dir.x/plain.jpg"},
        {"plain", "plain-marked.png", "plain.jpg"},
        {"2026/03/.png", "2026/03/.png-marked.png", "2026/03/.png.jpg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LibraryFiles::markedCopyName(c.original), c.marked) << c.original;
        EXPECT_EQ(LibraryFiles::withExtension(c.original, "jpg"), c.asJPEG) << c.original;
    }
    for (const std::string id : {"abc", "", "a.b"}) {
        EXPECT_EQ(LibraryFiles::originalName(id, 1774996200),
                  TavroPaths::relativeImagePath(id, 1774996200, "png"));
        EXPECT_EQ(LibraryFiles::thumbnailName(id, 1774996200),
                  TavroPaths::relativeImagePath(id, 1774996200, "jpg"));
    }
}

TEST(LibraryFiles, EveryOperationRefusesNamesOutsideTheLibrary) {
    TempLibrary library;
    writeFile(library.root() / "outside.png", "keep");
    for (const std::string name : {"", "/etc/passwd", "../outside.png", "a/../../outside.png"}) {
        EXPECT_EQ(LibraryFiles::locate(Folder::captures, name), std::nullopt) << name;
        LibraryFiles::remove(Folder::captures, name);
        EXPECT_EQ(LibraryFiles::byteCount(Folder::captures, name), std::nullopt) << name;
    }
    EXPECT_FALSE(LibraryFiles::writeThumbnail("../../outside.jpg", bytes("x")));
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

    // The thumbs folder and its month folder are made on the way.
    EXPECT_TRUE(LibraryFiles::writeThumbnail("2026/03/abc.jpg", bytes("jpg")));
    EXPECT_EQ(readFile(library.root() / "thumbs/2026/03/abc.jpg"), "jpg");
    EXPECT_EQ(LibraryFiles::byteCount(Folder::thumbs, "2026/03/abc.jpg"), 3);

    // Folders are never removed, files are, and a second removal is harmless.
    fs::create_directories(library.root() / "thumbs/2026/03/folder.jpg");
    LibraryFiles::remove(Folder::thumbs, "2026/03/folder.jpg");
    EXPECT_TRUE(fs::is_directory(library.root() / "thumbs/2026/03/folder.jpg"));
    LibraryFiles::remove(Folder::thumbs, "2026/03/abc.jpg");
    LibraryFiles::remove(Folder::thumbs, "2026/03/abc.jpg");
    EXPECT_FALSE(fs::exists(library.root() / "thumbs/2026/03/abc.jpg"));
    EXPECT_EQ(LibraryFiles::byteCount(Folder::thumbs, "2026/03/abc.jpg"), std::nullopt);
    EXPECT_TRUE(fs::exists(library.root() / "captures" / original));
}

TEST(LibraryFiles, ImageFolderBytesCountsTheTwoImageFoldersAndNothingHidden) {
    struct Case {
        std::string name;
        std::vector<std::pair<std::string, size_t>> files; // relative to the library, bytes
        std::int64_t expected;
    };
    const Case cases[] = {
        {"a new library without its folders", {}, 0},
        {"screenshots and thumbnails in month folders",
         {{"captures/2026/03/a.png", 1200},
          {"captures/2026/04/b.png", 300},
          {"thumbs/2026/03/a.jpg", 45}},
         1545},
        {"hidden files and folders, the database and the logs",
         {{"captures/.DS_Store", 999},
          {"captures/.cache/x.png", 999},
          {"thumbs/2026/.tmp-x.jpg", 999},
          {"tavro.sqlite", 999},
          {"tavro.sqlite-wal", 999},
          {"logs/tavro.log", 999},
          {"captures/2026/03/c.png", 7}},
         7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempLibrary library;
        for (const auto& [name, size] : c.files)
            writeFile(library.root() / name, std::string(size, 'x'));
        EXPECT_EQ(LibraryFiles::imageFolderBytes(), c.expected);
    }
}

TEST(LibraryFiles, ImageFolderBytesOfAThousandFiles) {
    TempLibrary library;
    for (int i = 0; i < 500; ++i) {
        const std::string id = std::to_string(i);
        writeFile(library.root() / "captures/2026/05" / (id + ".png"), std::string(1000, 'p'));
        writeFile(library.root() / "thumbs/2026/05" / (id + ".jpg"), std::string(100, 't'));
    }
    EXPECT_EQ(LibraryFiles::imageFolderBytes(), 500 * 1000 + 500 * 100);
}
