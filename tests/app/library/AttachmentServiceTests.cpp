// The attachment service on a real store in a temporary library, with real PNG and JPEG files.
#include "library/AttachmentService.h"

#include "LibraryFixture.h"
#include "files/ScreenshotFiles.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "values/CaptureError.h"
#include "values/Utf8.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

AnnotationShape box(double from, double to, std::string color = "#FF3B30") {
    return {"shape-" + std::to_string(from),
            AnnotationTool::rectangle,
            std::move(color),
            0.02,
            {{from, from}, {to, to}}};
}

Annotation marks(std::vector<AnnotationShape> shapes) {
    return Annotation{std::move(shapes)};
}

class AttachmentServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        capture = LibraryFixture::makeCapture("marked up");
        f.store().insert(capture);
        // Captured in an earlier month than any save below.
        stored.id = "0a8b6c1e-2f3d-4e5a-9b7c-1d2e3f4a5b6c";
        stored.captureID = capture.id;
        stored.position = 0;
        stored.imagePath = "2025/07/" + stored.id + ".png";
        stored.thumbPath = "2025/07/" + stored.id + ".jpg";
        stored.width = 200;
        stored.height = 100;
        writeOriginal(stored.imagePath, 200, 100);
        stored.bytes = std::int64_t(fs::file_size(capturesFile(stored.imagePath)));
        stored = f.store().addImage(stored);
    }

    static fs::path capturesFile(const std::string& relative) {
        return TavroPaths::capturesRoot() / relative;
    }
    static fs::path thumbsFile(const std::string& relative) {
        return TavroPaths::thumbsRoot() / relative;
    }
    static void writeOriginal(const std::string& relative, int width, int height) {
        auto image = Image::create({width, height});
        ASSERT_TRUE(image);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image->setPixel(x, y, 0xFF1E6E8C);
        const auto png = image->encodePNG();
        const fs::path file = capturesFile(relative);
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
    }
    AttachmentService::RowWriter storeWriter() {
        return [this](const CaptureImage& row) {
            f.store().updateImage(row);
        };
    }
    CaptureImage row() { return *f.store().image(stored.id); }

    LibraryFixture f;
    Capture capture;
    CaptureImage stored;
    const Seconds date = now();
};

TEST(MarkedPathTest, FollowsTheOriginalsNameAndRefusesPathsOutsideTheLibrary) {
    test::TempLibrary library;
    const struct {
        const char* imagePath;
        std::optional<std::string> marked;
    } cases[] = {
        {"2025/07/x.png", "2025/07/x-marked.png"},
        {"2025/07/x.jpeg", "2025/07/x-marked.png"},
        {"2025/07/x", "2025/07/x-marked.png"},
        {"2025.07/x", "2025.07/x-marked.png"},
        {"x.tar.gz", "x.tar-marked.png"},
        {"2025/07/.png", "2025/07/.png-marked.png"},
        {"", std::nullopt},
        {"/etc/passwd.png", std::nullopt},
        {"../outside.png", std::nullopt},
        {"2025/../../outside.png", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScreenshotFiles::nextMarkedCopyName(c.imagePath), c.marked) << c.imagePath;
}

TEST_F(AttachmentServiceTest, SavingWritesTheMarkedCopyAThumbnailOfThisMonthAndTheRow) {
    const Annotation annotation = marks({box(0.1, 0.6)});
    AttachmentService::saveAnnotation(annotation, stored, storeWriter(), &f.thumbnails, date);

    const CaptureImage saved = row();
    const std::string marked = "2025/07/" + stored.id + "-marked.png";
    EXPECT_EQ(saved.annotatedPath, marked);
    EXPECT_EQ(saved.annotationJSON, annotation.encoded());
    EXPECT_EQ(saved.bytes, std::int64_t(fs::file_size(capturesFile(marked))));
    EXPECT_EQ(saved.thumbPath, TavroPaths::relativeImagePath(stored.id, date, "jpg"));
    EXPECT_TRUE(Image::load(thumbsFile(*saved.thumbPath)));
    EXPECT_EQ(saved.imagePath, stored.imagePath);
    EXPECT_EQ(f.store().capture(capture.id)->imagePath, marked);

    // The box's outline is drawn into the copy; the original is untouched.
    const auto original = Image::load(capturesFile(stored.imagePath));
    const auto copy = Image::load(capturesFile(marked));
    ASSERT_TRUE(original && copy);
    EXPECT_EQ(copy->size(), original->size());
    EXPECT_NE(copy->pixel(20, 10), original->pixel(20, 10));
    EXPECT_EQ(copy->pixel(60, 40), original->pixel(60, 40));
    EXPECT_EQ(original->pixel(20, 10), 0xFF1E6E8Cu);

    // Saving again replaces the one marked file.
    AttachmentService::saveAnnotation(marks({box(0.2, 0.3)}), saved, storeWriter(), &f.thumbnails,
                                      date);
    size_t markedFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(TavroPaths::capturesRoot()))
        markedFiles += entry.path().filename().string().ends_with("-marked.png");
    EXPECT_EQ(markedFiles, 1u);
    // The earlier month's thumbnail is left where it was.
    EXPECT_NE(row().thumbPath, stored.thumbPath);
}

TEST_F(AttachmentServiceTest, ASaveEvictsTheMarkedCopyAndTheThumbnailFromTheCache) {
    AttachmentService::saveAnnotation(marks({box(0.1, 0.6)}), stored, storeWriter(), &f.thumbnails,
                                      date);
    const CaptureImage saved = row();
    const QString markedFile = toQString(capturesFile(*saved.annotatedPath).string());
    const QString thumbFile = toQString(thumbsFile(*saved.thumbPath).string());
    for (const QString& file : {markedFile, thumbFile}) {
        bool loaded = false;
        f.thumbnails.load(file, nullptr, [&](const QImage&) { loaded = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return loaded; }));
        ASSERT_TRUE(f.thumbnails.cached(file));
    }
    AttachmentService::saveAnnotation(marks({box(0.3, 0.9)}), saved, storeWriter(), &f.thumbnails,
                                      date);
    EXPECT_FALSE(f.thumbnails.cached(markedFile));
    EXPECT_FALSE(f.thumbnails.cached(thumbFile));
}

TEST_F(AttachmentServiceTest, ClearingTheMarksWritesTheRowBeforeTheFileGoes) {
    AttachmentService::saveAnnotation(marks({box(0.1, 0.6)}), stored, storeWriter(), &f.thumbnails,
                                      date);
    const CaptureImage marked = row();
    const fs::path markedFile = capturesFile(*marked.annotatedPath);
    fs::remove(thumbsFile(*marked.thumbPath));

    bool fileThereWhileWriting = false;
    AttachmentService::saveAnnotation(
        Annotation{}, marked,
        [&](const CaptureImage& update) {
            fileThereWhileWriting = fs::exists(markedFile);
            f.store().updateImage(update);
        },
        &f.thumbnails, date);

    EXPECT_TRUE(fileThereWhileWriting);
    EXPECT_FALSE(fs::exists(markedFile));
    const CaptureImage cleared = row();
    EXPECT_EQ(cleared.annotatedPath, std::nullopt);
    EXPECT_EQ(cleared.annotationJSON, std::nullopt);
    EXPECT_EQ(cleared.bytes, std::int64_t(fs::file_size(capturesFile(stored.imagePath))));
    // A fresh thumbnail of the unmarked original.
    ASSERT_TRUE(cleared.thumbPath);
    const auto thumb = Image::load(thumbsFile(*cleared.thumbPath));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(f.store().capture(capture.id)->imagePath, stored.imagePath);
}

TEST_F(AttachmentServiceTest, AFailedStoreWriteLeavesTheMarkedFileAndTheRow) {
    AttachmentService::saveAnnotation(marks({box(0.1, 0.6)}), stored, storeWriter(), &f.thumbnails,
                                      date);
    const CaptureImage marked = row();
    const auto failing = [](const CaptureImage&) {
        throw std::runtime_error("disk I/O error");
    };

    EXPECT_THROW(
        AttachmentService::saveAnnotation(Annotation{}, marked, failing, &f.thumbnails, date),
        std::runtime_error);
    EXPECT_TRUE(fs::exists(capturesFile(*marked.annotatedPath)));
    EXPECT_EQ(row(), marked);
}

TEST_F(AttachmentServiceTest, ClearingAScreenshotWithoutMarkedCopyRemovesNothingAndRewritesRow) {
    const size_t before = test::filesUnder(TavroPaths::capturesRoot());
    AttachmentService::saveAnnotation(Annotation{}, stored, storeWriter(), &f.thumbnails, date);
    EXPECT_EQ(test::filesUnder(TavroPaths::capturesRoot()), before);
    EXPECT_EQ(row().thumbPath, TavroPaths::relativeImagePath(stored.id, date, "jpg"));
    EXPECT_TRUE(row().dirty);
}

TEST_F(AttachmentServiceTest, RenderingRefusesWhatItCannotDrawAndWritesNothing) {
    CaptureImage missing = stored;
    missing.imagePath = "2025/07/gone.png";
    CaptureImage climbing = stored;
    climbing.imagePath = "../outside.png";
    writeOriginal("../outside.png", 20, 20);
    CaptureImage absolute = stored;
    absolute.imagePath = (TavroPaths::capturesRoot() / stored.imagePath).string();
    const struct {
        CaptureImage image;
        Annotation annotation;
        std::string message;
    } cases[] = {
        {missing, marks({box(0.1, 0.5)}), "the original screenshot is missing"},
        {climbing, marks({box(0.1, 0.5)}), "the original screenshot is missing"},
        {absolute, marks({box(0.1, 0.5)}), "the original screenshot is missing"},
        {stored, Annotation{}, "annotations could not be rendered"},
    };
    const size_t before = test::filesUnder(TavroPaths::libraryRoot());
    for (const auto& c : cases) {
        try {
            AttachmentService::renderAnnotation(c.annotation, c.image, &f.thumbnails, date);
            ADD_FAILURE() << c.image.imagePath << " rendered";
        } catch (const CaptureError& error) {
            EXPECT_EQ(error.code(), CaptureError::Code::writeFailed);
            EXPECT_EQ(error.message(), c.message) << c.image.imagePath;
        }
    }
    EXPECT_EQ(test::filesUnder(TavroPaths::libraryRoot()), before);
    EXPECT_FALSE(fs::exists(TavroPaths::libraryRoot() / "outside-marked.png"));
    EXPECT_EQ(row(), stored);
}

TEST_F(AttachmentServiceTest, AThumbnailThatCannotBeWrittenKeepsThePreviousOne) {
    // A file where this month's thumbnail folder would go.
    const fs::path month =
        thumbsFile(TavroPaths::relativeImagePath(stored.id, date, "jpg")).parent_path();
    fs::create_directories(month.parent_path());
    fs::remove_all(month);
    test::writeFile(month, "in the way");

    AttachmentService::saveAnnotation(marks({box(0.1, 0.6)}), stored, storeWriter(), &f.thumbnails,
                                      date);
    EXPECT_TRUE(row().annotatedPath);
    EXPECT_EQ(row().thumbPath, stored.thumbPath);
}

TEST_F(AttachmentServiceTest, FilesTheRowNamedGoOnlyOnceTheNewRowHasCommitted) {
    AttachmentService::saveAnnotation(marks({box(0.1, 0.6)}), stored, storeWriter(), &f.thumbnails,
                                      date);
    const struct {
        const char* name;
        Annotation annotation;
    } cases[] = {
        {"marks again", marks({box(0.2, 0.4)})},
        {"marks again, once more", marks({box(0.3, 0.5)})},
        {"marks cleared", Annotation{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CaptureImage before = row();
        const auto namedFiles = [](const CaptureImage& image) {
            std::vector<fs::path> files{capturesFile(image.imagePath)};
            if (image.annotatedPath)
                files.push_back(capturesFile(*image.annotatedPath));
            if (image.thumbPath)
                files.push_back(thumbsFile(*image.thumbPath));
            return files;
        };
        const auto imageFiles = [] {
            return test::filesUnder(TavroPaths::capturesRoot()) +
                   test::filesUnder(TavroPaths::thumbsRoot());
        };
        const size_t filesBefore = imageFiles();

        // A crash or a failure before the commit: the old row with every one of its files.
        EXPECT_THROW(AttachmentService::saveAnnotation(
                         c.annotation, before,
                         [](const CaptureImage&) { throw std::runtime_error("disk I/O error"); },
                         &f.thumbnails, date),
                     std::runtime_error);
        EXPECT_EQ(row(), before);
        for (const fs::path& file : namedFiles(before))
            EXPECT_TRUE(fs::exists(file)) << file;
        EXPECT_EQ(imageFiles(), filesBefore);

        bool allThereAtCommit = false;
        AttachmentService::saveAnnotation(
            c.annotation, before,
            [&](const CaptureImage& update) {
                allThereAtCommit = true;
                for (const CaptureImage* image : {&before, &update})
                    for (const fs::path& file : namedFiles(*image))
                        allThereAtCommit = allThereAtCommit && fs::exists(file);
                f.store().updateImage(update);
            },
            &f.thumbnails, date);
        EXPECT_TRUE(allThereAtCommit);
        const CaptureImage after = row();
        EXPECT_NE(after.thumbPath, before.thumbPath);
        EXPECT_FALSE(fs::exists(thumbsFile(*before.thumbPath)));
        EXPECT_FALSE(fs::exists(capturesFile(*before.annotatedPath)));
        for (const fs::path& file : namedFiles(after))
            EXPECT_TRUE(fs::exists(file)) << file;
    }
}

} // namespace
