#include "platform/ScreenCapturer.h"
#include "values/ImageWriter.h"
#include "values/Utf8.h"

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
        show(backdrop, screen->geometry(), Qt::blue);
        show(block, QRect(100, 50, 40, 30), Qt::red);
        // The X server paints both windows in its own time; wait until a grab shows them.
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                const QImage probe = screen->grabWindow(0, 99, 50, 2, 1).toImage();
                return probe.pixelColor(0, 0) == QColor(Qt::blue) &&
                       probe.pixelColor(probe.width() - 1, 0) == QColor(Qt::red);
            },
            5000));
    }

    void show(QWidget& window, const QRect& geometry, QColor color) {
        window.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        QPalette palette;
        palette.setColor(QPalette::Window, color);
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        window.setGeometry(geometry);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
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
