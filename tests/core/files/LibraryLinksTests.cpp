// Symbolic links inside the library are never followed: a row naming a link, or a month folder
// made into one, must not lead a read or a write outside the library.
#include "files/LibraryFiles.h"
#include "files/ScreenshotFiles.h"

#include "TempLibrary.h"
#include "model/Image.h"
#include "model/Paths.h"

#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;
using Folder = LibraryFiles::Folder;

namespace {

constexpr std::string_view refusal = " is a symbolic link, and links inside the library are not "
                                     "followed";

// Every file and folder under `root` with the files' contents: what must stay as it is.
std::map<std::string, std::string> contentsOf(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto name = entry.path().lexically_relative(root).string();
        out[name] = entry.is_directory() ? "<folder>" : readFile(entry.path());
    }
    return out;
}

Image picture() {
    auto image = Image::create({40, 30});
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            image->setPixel(x, y, 0xFF000000u | uint32_t(x * 5 + y * 300));
    return std::move(*image);
}

} // namespace

TEST(LibraryLinks, AreRefusedForReadsAndWritesAndNothingOutsideIsTouched) {
    const std::string id = "0d5c2b8e-7f4e-4a51-9f61-0a3e2c7d9b10";
    const Seconds date = 1.7735e9;
    const std::string original = LibraryFiles::originalName(id, date);   // yyyy/MM/<id>.png
    const std::string thumbnail = LibraryFiles::thumbnailName(id, date); // yyyy/MM/<id>.jpg
    const std::string month = original.substr(0, 7), year = original.substr(0, 4);
    struct Case {
        const char* name;
        Folder folder;
        std::string link;  // under the folder, made a link to the outside folder or its file
        bool toFolder;     // the link names a folder
        std::string shown; // the refused link, relative to the library
    };
    const Case cases[] = {
        {"a screenshot made a link", Folder::captures, original, false, "captures/" + original},
        {"a month folder made a link", Folder::captures, month, true, "captures/" + month},
        {"a year folder made a link", Folder::captures, year, true, "captures/" + year},
        {"a thumbnail made a link", Folder::thumbs, thumbnail, false, "thumbs/" + thumbnail},
        {"a thumbnail month made a link", Folder::thumbs, month, true, "thumbs/" + month},
    };
    const auto png = picture().encodePNG();
    const LibraryFiles::Bytes bytes(*png);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempLibrary library;
        ASSERT_TRUE(TavroPaths::ensureDirectories());
        TempFolder outside;
        // What a link would reach: the same names, outside the library.
        const auto reached = outside.path() / "reached";
        const std::string name = c.folder == Folder::captures ? original : thumbnail;
        writeFile(reached / name.substr(8), std::string(png->begin(), png->end()));
        const auto linked = *LibraryFiles::locate(c.folder, c.link);
        fs::create_directories(linked.parent_path());
        fs::create_symlink(c.toFolder ? reached : reached / name.substr(8), linked);
        const auto before = contentsOf(outside.path());
        const auto file = *LibraryFiles::locate(c.folder, name);

        EXPECT_FALSE(Image::load(file));
        EXPECT_FALSE(Image::declaredSize(file));
        EXPECT_FALSE(LibraryFiles::byteCount(c.folder, name));
        const auto read = LibraryFiles::read(c.folder, name);
        EXPECT_EQ(read.status, LibraryFiles::Contents::Status::failed);
        EXPECT_TRUE(read.bytes.empty());
        EXPECT_EQ(read.failure, c.shown + std::string(refusal));
        CaptureImage copied{.id = id, .imagePath = "2020/01/absent.png"};
        if (c.folder == Folder::captures)
            copied.imagePath = original;
        else
            copied.thumbPath = thumbnail;
        try {
            ScreenshotFiles::copyFiles(copied, "5b1e0c43-2d7a-4f0e-8c3b-9e6f1a2d4c57", date);
            ADD_FAILURE() << "copied through a link";
        } catch (const ScreenshotFiles::WriteError& error) {
            EXPECT_NE(std::string(error.what()).find(c.shown + std::string(refusal)),
                      std::string::npos)
                << error.what();
        }
        const auto written = LibraryFiles::writeAtomically(file, bytes);
        ASSERT_TRUE(written);
        EXPECT_NE(written->find(c.shown + std::string(refusal)), std::string::npos) << *written;
        if (c.folder == Folder::captures) {
            try {
                ScreenshotFiles::writeOriginal(picture(), id, date);
                ADD_FAILURE() << "written through a link";
            } catch (const std::exception& error) {
                EXPECT_NE(std::string(error.what()).find(c.shown + std::string(refusal)),
                          std::string::npos)
                    << error.what();
            }
        } else {
            EXPECT_FALSE(LibraryFiles::writeThumbnail(name, bytes));
        }
        LibraryFiles::remove(c.folder, name);

        EXPECT_EQ(contentsOf(outside.path()), before);
    }
}

TEST(LibraryLinks, TheLibraryFolderItselfMayBeALink) {
    TempFolder elsewhere;
    const auto real = elsewhere.path() / "Real";
    fs::create_directories(real);
    const auto link = elsewhere.path() / "Library";
    fs::create_symlink(real, link);
    ScopedEnv home("TAVRO_HOME", link.string());
    ASSERT_TRUE(TavroPaths::ensureDirectories());

    const auto written = ScreenshotFiles::writeOriginal(picture(), "a1", 1.7735e9);
    const auto file = *LibraryFiles::locate(Folder::captures, written.imagePath);
    ASSERT_TRUE(Image::load(file));
    EXPECT_TRUE(fs::exists(real / "captures" / written.imagePath));
    EXPECT_EQ(LibraryFiles::byteCount(Folder::captures, written.imagePath), written.byteCount);
    const auto read = LibraryFiles::read(Folder::captures, written.imagePath);
    EXPECT_EQ(read.status, LibraryFiles::Contents::Status::read);
    EXPECT_EQ(read.bytes, written.png);
    LibraryFiles::remove(Folder::captures, written.imagePath);
    EXPECT_FALSE(fs::exists(real / "captures" / written.imagePath));
}
