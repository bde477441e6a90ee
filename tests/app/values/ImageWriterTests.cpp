#include "values/CaptureError.h"
#include "values/ImageWriter.h"
#include "values/QtImage.h"
#include "values/Utf8.h"

#include "TempLibrary.h"
#include "model/Paths.h"

#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace tavro;
using tavro::test::TempLibrary;

namespace {

// Something like a screenshot: flat areas, a gradient, text and a few shapes.
QImage screenshotLike(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0xF6, 0xF6, 0xF8));
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, QColor(0x4F, 0x5B, 0xD5));
    gradient.setColorAt(1, QColor(0x7C, 0x8B, 0xFF));
    painter.fillRect(0, 0, width, height / 10, gradient);
    for (int y = height / 5; y < height; y += 40)
        painter.drawText(20, y,
                         QStringLiteral("The quick brown fox jumps over the lazy dog %1").arg(y));
    painter.fillRect(width / 2, height / 3, width / 4, height / 4, QColor(0xE1, 0x1D, 0x48));
    return image;
}

QImage solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// The core's thumbnail of a QImage, as write() makes it, without an alpha channel.
std::optional<QImage> thumbnail(const QImage& image) {
    const auto pixels = QtImage::copyFrom(image);
    auto small = pixels ? ScreenshotFiles::thumbnail(*pixels) : std::nullopt;
    if (!small)
        return std::nullopt;
    return QtImage::wrap(std::move(small)).convertToFormat(QImage::Format_RGB32);
}

enum class ImageType { png, jpeg };

// The core's PNG or JPEG bytes of a QImage.
std::optional<QByteArray> encode(const QImage& image, ImageType type, double quality) {
    const auto pixels = QtImage::copyFrom(image);
    if (!pixels)
        return std::nullopt;
    const auto data = type == ImageType::png ? pixels->encodePNG() : pixels->encodeJPEG(quality);
    if (!data)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(data->data()), qsizetype(data->size()));
}

struct Read {
    QSize size;
    QByteArray format;
};

Read readBack(const fs::path& file) {
    QImageReader reader(toQString(file.string()));
    return {reader.size(), reader.format()};
}

constexpr Seconds march2026 = 1773835200; // 2026-03-18 12:00 UTC

} // namespace

TEST(ImageWriter, DownscaleShrinksTheLongerEdgeAndNeverEnlarges) {
    const std::pair<QSize, QSize> cases[] = {
        {{1800, 1200}, {900, 600}}, {{900, 10}, {900, 10}},     {{5000, 3}, {900, 1}},
        {{3, 5000}, {1, 900}},      {{2560, 1440}, {900, 506}}, {{901, 901}, {900, 900}},
        {{10, 10}, {10, 10}},
    };
    for (const auto& [from, to] : cases) {
        auto scaled = thumbnail(solid(from.width(), from.height(), Qt::red));
        ASSERT_TRUE(scaled);
        EXPECT_EQ(scaled->size(), to) << from.width() << "x" << from.height();
    }
    auto translucent = thumbnail(solid(1800, 1200, QColor(255, 0, 0, 0)));
    ASSERT_TRUE(translucent);
    EXPECT_FALSE(translucent->hasAlphaChannel());
    EXPECT_EQ(translucent->pixelColor(10, 10), QColor(Qt::black));
    EXPECT_FALSE(thumbnail(QImage()));
}

TEST(ImageWriter, PNGIsCompressedAndLossless) {
    const QImage grab = screenshotLike(2560, 1440);
    auto png = encode(grab, ImageType::png, 1.0);
    ASSERT_TRUE(png);
    const qint64 raw = qint64(2560) * 1440 * 3;
    EXPECT_LT(png->size(), raw / 10) << "PNG data " << png->size() << " bytes";
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(*png, "PNG"));
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), grab);

    auto jpeg = encode(grab, ImageType::jpeg, 0.82);
    ASSERT_TRUE(jpeg);
    EXPECT_TRUE(jpeg->startsWith("\xFF\xD8\xFF"));
    EXPECT_LT(encode(grab, ImageType::jpeg, 0.1)->size(), jpeg->size());
    EXPECT_FALSE(encode(QImage(), ImageType::png, 1.0));
}

TEST(ImageWriter, WritesThePNGAndItsThumbnailIntoTheLibrary) {
    TempLibrary library;
    const QImage image = screenshotLike(1800, 1200);
    const auto written = ImageWriter::write(image, "abc", march2026);

    const std::string relative = TavroPaths::relativeImagePath("abc", march2026, "png");
    EXPECT_EQ(written.relativePath, relative);
    EXPECT_EQ(written.thumbRelativePath, TavroPaths::relativeImagePath("abc", march2026, "jpg"));
    EXPECT_EQ(written.width, 1800);
    EXPECT_EQ(written.height, 1200);

    const fs::path png = library.root() / "captures" / relative;
    const fs::path jpg = library.root() / "thumbs" / *written.thumbRelativePath;
    EXPECT_EQ(written.byteCount, static_cast<std::int64_t>(fs::file_size(png)));
    EXPECT_EQ(readBack(png).size, QSize(1800, 1200));
    EXPECT_EQ(readBack(png).format, "png");
    EXPECT_EQ(readBack(jpg).size, QSize(900, 600));
    EXPECT_EQ(readBack(jpg).format, "jpeg");
    EXPECT_NE(static_cast<std::int64_t>(fs::file_size(jpg)), written.byteCount);
    for (const auto& entry : fs::recursive_directory_iterator(library.root()))
        EXPECT_TRUE(entry.is_directory() || entry.path() == png || entry.path() == jpg)
            << "left behind: " << entry.path();

    const auto small = ImageWriter::write(solid(120, 80, Qt::blue), "small", march2026);
    EXPECT_EQ(readBack(library.root() / "thumbs" / *small.thumbRelativePath).size, QSize(120, 80));
}

TEST(ImageWriter, ThumbnailFailuresAreSilent) {
    TempLibrary library;
    fs::create_directories(library.root());
    test::writeFile(library.root() / "thumbs", "a file where the folder should be");
    const auto written = ImageWriter::write(solid(1000, 500, Qt::green), "id1", march2026);
    EXPECT_EQ(written.thumbRelativePath, std::nullopt);
    EXPECT_TRUE(fs::exists(library.root() / "captures" / written.relativePath));
}

TEST(ImageWriter, PNGFailuresThrowAndLeaveNoFile) {
    TempLibrary library;
    try {
        ImageWriter::write(QImage(), "empty", march2026);
        FAIL() << "an empty image was written";
    } catch (const CaptureError& error) {
        EXPECT_EQ(error.code(), CaptureError::Code::writeFailed);
        EXPECT_STREQ(error.what(), "Couldn't save the screenshot: PNG encoding failed");
    }
    EXPECT_FALSE(fs::exists(library.root() / "captures" /
                            TavroPaths::relativeImagePath("empty", march2026, "png")));

    for (const char* hostile : {"../../escape", "x/../../../y"}) {
        EXPECT_THROW(ImageWriter::write(solid(10, 10, Qt::red), hostile, march2026), CaptureError)
            << hostile;
    }
    EXPECT_FALSE(fs::exists(library.root() / "escape.png"));
    EXPECT_FALSE(fs::exists(library.root().parent_path() / "escape.png"));

    TempLibrary blocked;
    fs::create_directories(blocked.root());
    test::writeFile(blocked.root() / "captures", "not a folder");
    EXPECT_THROW(ImageWriter::write(solid(10, 10, Qt::red), "id2", march2026),
                 fs::filesystem_error);
}
