#include "desktop/ScreenCapturer.h"
#include "desktop/X11ScreenGrab.h"
#include "values/ImageWriter.h"
#include "values/Utf8.h"

#include "SolidWindow.h"
#include "TempLibrary.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

// Windows of one colour at known places on the X server: a blue backdrop over the whole screen
// and a red block on it. The test runs at the device pixel scale QT_SCALE_FACTOR sets.
class ScreenGrabTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen = QGuiApplication::primaryScreen();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        test::showSolid(backdrop, screen->geometry(), Qt::blue);
        test::showSolid(block, QRect(100, 50, 40, 30), Qt::red);
        // The X server paints both windows in its own time; wait until a grab shows them.
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                const QImage probe = screen->grabWindow(0, 99, 50, 2, 1).toImage();
                return probe.pixelColor(0, 0) == QColor(Qt::blue) &&
                       probe.pixelColor(probe.width() - 1, 0) == QColor(Qt::red);
            },
            5000));
    }

    double scale() const { return screen->devicePixelRatio(); }
    int px(double points) const { return static_cast<int>(std::lround(points * scale())); }

    QScreen* screen = nullptr;
    QWidget backdrop;
    QWidget block;
    X11PermissionProbe access;
};

QSize sizeOf(const fs::path& file) {
    return QImageReader(toQString(file.string())).size();
}

} // namespace

TEST_F(ScreenGrabTest, RegionIsTheSelectionAtTheScreensPixelScale) {
    const double expected = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
    EXPECT_EQ(scale(), expected);

    const auto capture = ScreenCapturer::captureRegion(QRectF(90, 40, 60, 50), access);
    EXPECT_EQ(capture.screen, screen);
    ASSERT_EQ(capture.image.size(), QSize(px(60), px(50)));
    // The red block starts 10 points in, and is 40 by 30 points.
    EXPECT_EQ(capture.image.pixelColor(px(10), px(10)), QColor(Qt::red));
    EXPECT_EQ(capture.image.pixelColor(px(50) - 1, px(40) - 1), QColor(Qt::red));
    EXPECT_EQ(capture.image.pixelColor(px(10) - 1, px(10)), QColor(Qt::blue));
    EXPECT_EQ(capture.image.pixelColor(px(50), px(40)), QColor(Qt::blue));

    test::TempLibrary library;
    const auto written = ImageWriter::write(capture.image, "region", now());
    EXPECT_EQ(sizeOf(library.root() / "captures" / written.relativePath), QSize(px(60), px(50)));
    ASSERT_TRUE(written.thumbRelativePath);
    EXPECT_EQ(sizeOf(library.root() / "thumbs" / *written.thumbRelativePath),
              QSize(px(60), px(50)));
}

TEST_F(ScreenGrabTest, DisplayGrabIsTheWholeScreenAndItsThumbnailAtMost900) {
    const auto capture = ScreenCapturer::captureDisplay(QPointF(10, 10), access);
    const QSize native(px(screen->geometry().width()), px(screen->geometry().height()));
    ASSERT_EQ(capture.image.size(), native);
    EXPECT_EQ(capture.image.pixelColor(px(100), px(50)), QColor(Qt::red));
    EXPECT_EQ(capture.image.pixelColor(px(99), px(50)), QColor(Qt::blue));

    test::TempLibrary library;
    const auto written = ImageWriter::write(capture.image, "display", now());
    EXPECT_EQ(written.width, native.width());
    const QSize thumb = sizeOf(library.root() / "thumbs" / *written.thumbRelativePath);
    EXPECT_EQ(std::max(thumb.width(), thumb.height()), 900);
    EXPECT_EQ(thumb, QSize(900, 900 * native.height() / native.width()));

    // A selection mostly off the screen is cut at its edge.
    const QRect frame = screen->geometry();
    const auto spill =
        ScreenCapturer::captureRegion(QRectF(frame.right() - 19, 10, 40, 40), access);
    EXPECT_EQ(spill.image.size(), QSize(px(20), px(40)));
}

TEST_F(ScreenGrabTest, SharedMemoryGrabsMatchTheSocketsAndEachShowsTheScreenAsItIsThen) {
    const QRect frame = screen->geometry();
    const QRect pixels(frame.topLeft(), frame.size() * scale());
    auto opaque = [](QImage image) {
        return image.convertToFormat(QImage::Format_RGB32);
    };
    {
        const auto shared = X11ScreenGrab::grab(pixels);
        ASSERT_TRUE(shared) << "Xvfb shares memory with a local client";
        const QImage socket = screen->grabWindow(0).toImage();
        EXPECT_EQ(opaque(*shared), opaque(socket));
        EXPECT_EQ(ScreenCapturer::grabScreen(screen).size(), pixels.size());
    }
    // The memory of the grab just let go serves the next one, which shows what changed since.
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::green);
    block.setPalette(palette);
    block.update();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto again = X11ScreenGrab::grab(pixels);
            return again && again->pixelColor(px(110), px(60)) == QColor(Qt::green);
        },
        5000));
    const auto held = X11ScreenGrab::grab(pixels);
    const auto second = X11ScreenGrab::grab(pixels);
    ASSERT_TRUE(held && second);
    EXPECT_NE(held->constBits(), second->constBits()) << "an image still held keeps its memory";
    EXPECT_EQ(held->pixelColor(px(110), px(60)), QColor(Qt::green));
    EXPECT_EQ(second->pixelColor(px(99), px(60)), QColor(Qt::blue));
}
