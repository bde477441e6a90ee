#include "files/ScreenshotFiles.h"

#include "TempLibrary.h"
#include "files/LibraryFiles.h"
#include "model/Paths.h"

#include <gtest/gtest.h>

#include <functional>

namespace fs = std::filesystem;
using namespace tavro;
using tavro::test::filesUnder;
using tavro::test::TempLibrary;
using tavro::test::writeFile;

namespace {

constexpr Seconds march2026 = 1773835200; // 2026-03-18 12:00 UTC

Image filled(PixelSize size, std::uint32_t argb) {
    auto image = Image::createForOverwrite(size);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            image->setPixel(x, y, argb);
    return std::move(*image);
}

Annotation aBox() {
    return Annotation{
        {{"b", AnnotationTool::rectangle, "#FF3B30", 0.02, {{0.1, 0.1}, {0.6, 0.6}}}}};
}

fs::path captures(const std::string& name) {
    return TavroPaths::capturesRoot() / name;
}
fs::path thumbs(const std::string& name) {
    return TavroPaths::thumbsRoot() / name;
}

} // namespace

TEST(ScreenshotFiles, AnOriginalIsEncodedOnceAndWrittenWithItsThumbnail) {
    struct Case {
        const char* name;
        PixelSize size;
        std::uint32_t argb;
        PixelSize thumb;
    };
    const Case cases[] = {
        {"wide", {1800, 1200}, 0xFF336699, {900, 600}},
        {"tall", {600, 2700}, 0xFF336699, {200, 900}},
        {"small, never enlarged", {120, 80}, 0xFF336699, {120, 80}},
        {"see-through, black in the thumbnail", {1000, 10}, 0x00000000, {900, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempLibrary library;
        const auto written =
            ScreenshotFiles::writeOriginal(filled(c.size, c.argb), "abc", march2026);
        EXPECT_EQ(written.imagePath, "2026/03/abc.png");
        EXPECT_EQ(written.thumbPath, "2026/03/abc.jpg");
        EXPECT_EQ(written.size, c.size);
        // The bytes handed back are the file's, so a copy elsewhere needs no second encoding.
        EXPECT_EQ(test::readFile(captures(written.imagePath)),
                  std::string(written.png.begin(), written.png.end()));
        EXPECT_EQ(written.byteCount, std::int64_t(written.png.size()));
        const auto thumb = Image::load(thumbs(*written.thumbPath));
        ASSERT_TRUE(thumb);
        EXPECT_EQ(thumb->size(), c.thumb);
        EXPECT_TRUE(thumb->isOpaque());
        if (c.argb == 0) {
            EXPECT_EQ(thumb->pixel(1, 1) & 0xFFFFFFu, 0u);
        }
        EXPECT_EQ(filesUnder(library.root()), 2u);
    }
}

TEST(ScreenshotFiles, AFailedWriteLeavesNothingBehind) {
    struct Case {
        const char* name;
        std::string id;
        std::function<void(const TempLibrary&)> arrange;
        bool thumbnailOnly;
    };
    const Case cases[] = {
        {"an id that climbs out", "../../escape", [](const TempLibrary&) {}, false},
        {"a file where the month's folder goes", "abc",
         [](const TempLibrary& l) { writeFile(l.root() / "captures/2026/03", "x"); }, false},
        {"no thumbnail folder: the original stays, without one", "abc",
         [](const TempLibrary& l) { writeFile(l.root() / "thumbs", "x"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempLibrary library;
        c.arrange(library);
        const size_t before = filesUnder(library.root().parent_path());
        if (c.thumbnailOnly) {
            const auto written =
                ScreenshotFiles::writeOriginal(filled({40, 30}, ~0u), c.id, march2026);
            EXPECT_EQ(written.thumbPath, std::nullopt);
            EXPECT_TRUE(fs::exists(captures(written.imagePath)));
            EXPECT_EQ(filesUnder(library.root().parent_path()), before + 1);
        } else {
            EXPECT_ANY_THROW(
                ScreenshotFiles::writeOriginal(filled({40, 30}, ~0u), c.id, march2026));
            EXPECT_EQ(filesUnder(library.root().parent_path()), before);
        }
    }
}

TEST(ScreenshotFiles, AMarkedCopyAndItsThumbnailTakeNamesTheRowDoesNotHold) {
    TempLibrary library;
    const auto original = ScreenshotFiles::writeOriginal(filled({400, 200}, 0xFF1E6E8C), "id1",
                                                         march2026 - 86400 * 60);
    CaptureImage row;
    row.id = "id1";
    row.imagePath = original.imagePath;
    row.thumbPath = original.thumbPath;

    const struct {
        const char* name;
        std::optional<std::string> annotated;
        std::optional<std::string> thumb;
        std::string marked;
        std::string markedThumb;
    } cases[] = {
        {"first marks, thumbnail of an earlier month", std::nullopt, original.thumbPath,
         "2026/01/id1-marked.png", "2026/03/id1.jpg"},
        {"marks again", "2026/01/id1-marked.png", "2026/03/id1.jpg", "2026/01/id1-2-marked.png",
         "2026/03/id1-2.jpg"},
        {"and again", "2026/01/id1-2-marked.png", "2026/03/id1-2.jpg", "2026/01/id1-marked.png",
         "2026/03/id1.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        row.annotatedPath = c.annotated;
        row.thumbPath = c.thumb;
        const auto marked = ScreenshotFiles::writeMarked(aBox(), row, march2026);
        EXPECT_EQ(marked.markedPath, c.marked);
        EXPECT_EQ(marked.thumbPath, c.markedThumb);
        EXPECT_EQ(marked.byteCount, std::int64_t(fs::file_size(captures(marked.markedPath))));
        // One decode, drawn and written: the copy differs under the box's outline only.
        const auto copy = Image::load(captures(marked.markedPath));
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->size(), (PixelSize{400, 200}));
        EXPECT_NE(copy->pixel(40, 20), 0xFF1E6E8Cu);
        EXPECT_EQ(copy->pixel(140, 70), 0xFF1E6E8Cu);
        EXPECT_EQ(Image::load(thumbs(*marked.thumbPath))->size(), (PixelSize{400, 200}));
        // What the row names is still there.
        if (c.annotated) {
            EXPECT_TRUE(fs::exists(captures(*c.annotated)));
        }
        EXPECT_TRUE(fs::exists(thumbs(*c.thumb)));
    }

    row.annotatedPath = "2026/01/id1-marked.png";
    row.thumbPath = "2026/03/id1.jpg";
    EXPECT_EQ(ScreenshotFiles::writeOriginalThumbnail(row, march2026), "2026/03/id1-2.jpg");
    row.imagePath = "../../outside.png";
    EXPECT_THROW(ScreenshotFiles::writeMarked(aBox(), row, march2026), ScreenshotFiles::WriteError);
    EXPECT_EQ(ScreenshotFiles::writeOriginalThumbnail(row, march2026), std::nullopt);
}
