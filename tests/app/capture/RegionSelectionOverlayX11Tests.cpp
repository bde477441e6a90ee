#include "capture/RegionSelectionOverlay.h"
#include "desktop/X11FlowDesktop.h"

#include "SolidWindow.h"
#include "XClient.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

using namespace tavro;
using tavro::test::XClient;

namespace {

constexpr std::uint32_t blue = 0x0000ff, red = 0xff0000;
// 0.38 black over them, as the overlay dims the screen.
constexpr std::uint32_t dimmedBlue = 0x00009f, dimmedRed = 0x9f0000;

// A blue backdrop over the whole screen and a red block on it, under an X server with no
// compositor; the overlay freezes them. Runs at the device pixel scale QT_SCALE_FACTOR sets.
class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen = QGuiApplication::primaryScreen();
        test::showSolid(backdrop, screen->geometry(), Qt::blue);
        test::showSolid(block, QRect(100, 50, 40, 30), Qt::red);
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return x.pixel(px(99), px(50)) == blue && x.pixel(px(100), px(50)) == red; },
            5000));
    }
    void TearDown() override { overlay.abandon(); }

    int px(double points) const {
        return static_cast<int>(std::lround(points * screen->devicePixelRatio()));
    }
    void present() {
        overlay.present([this](const std::optional<QRectF>& selection) { outcome = selection; },
                        [this](const QPointF& point) { fullScreenAt = point; });
        ASSERT_TRUE(overlay.isShowing());
    }
    // Until the overlay has seen the pointer reach `points` and the button go up.
    bool dragSeenTo(QPointF points) {
        return QTest::qWaitFor(
            [&] { return overlay.selection().cursor() == points && !overlay.hasAnchor(); }, 5000);
    }
    void savePicture(const QString& name) {
        QDir().mkpath(QStringLiteral(TAVRO_SCREENSHOT_DIR));
        const QString file = QStringLiteral(TAVRO_SCREENSHOT_DIR) + u'/' + name +
                             QStringLiteral("-scale") +
                             QString::number(screen->devicePixelRatio()) + QStringLiteral(".png");
        EXPECT_TRUE(screen->grabWindow(0).save(file));
    }

    QScreen* screen = nullptr;
    QWidget backdrop;
    QWidget block;
    XClient x;
    X11FlowDesktop desktop;
    RegionSelectionOverlay overlay{desktop};
    std::optional<std::optional<QRectF>> outcome;
    std::optional<QPointF> fullScreenAt;
};

} // namespace

TEST_F(OverlayTest, ADragMadeBeforeTheScreenIsFrozenSelectsWhatTheScreenShowed) {
    present();
    // Up and holding the pointer, but showing nothing yet: the screen is as it was.
    x.drag(px(90), px(40), px(150), px(90));
    ASSERT_TRUE(dragSeenTo(QPointF(150, 90)));
    EXPECT_EQ(x.pixel(px(10), px(10)), blue);
    EXPECT_FALSE(outcome); // answered with the frame, which it has not got yet

    overlay.freeze();
    ASSERT_TRUE(outcome);
    ASSERT_TRUE(*outcome);
    EXPECT_EQ(**outcome, QRectF(90, 40, 60, 50));
    EXPECT_FALSE(overlay.isShowing());
    const auto shot = overlay.frozenShot(**outcome);
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->image.size(), QSize(px(60), px(50)));
    // The red block starts 10 points in: the screen's own colours, without the overlay's dimming.
    EXPECT_EQ(shot->image.pixelColor(px(10), px(10)), QColor(Qt::red));
    EXPECT_EQ(shot->image.pixelColor(px(10) - 1, px(10)), QColor(Qt::blue));
    EXPECT_EQ(shot->image.pixelColor(px(50), px(40)), QColor(Qt::blue));
}

TEST_F(OverlayTest, EscapeAndSpaceBeforeTheFrameAreAnsweredAtOnceAndWithTheFrame) {
    present();
    overlay.finish(std::nullopt);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(*outcome);

    outcome.reset();
    present();
    overlay.requestFullScreen();
    EXPECT_FALSE(fullScreenAt);
    EXPECT_TRUE(overlay.isShowing());
    overlay.freeze();
    EXPECT_TRUE(fullScreenAt);
    EXPECT_FALSE(overlay.isShowing());
    EXPECT_FALSE(outcome);
}

TEST_F(OverlayTest, FrozenItShowsTheScreenDimmedWithTheSelectionClear) {
    present();
    overlay.freeze();
    EXPECT_FALSE(outcome);
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.pixel(px(10), px(10)) == dimmedBlue; }, 5000));
    EXPECT_EQ(x.pixel(px(120), px(60)), dimmedRed);
    x.moveTo(px(400), px(300));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return overlay.selection().cursor() == QPointF(400, 300); }, 5000));
    savePicture(QStringLiteral("overlay-hint"));

    x.drag(px(90), px(40), px(300), px(200), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.pixel(px(120), px(60)) == red; }, 5000));
    EXPECT_EQ(x.pixel(px(200), px(100)), blue);
    EXPECT_EQ(x.pixel(px(10), px(10)), dimmedBlue);
    EXPECT_EQ(x.pixel(px(350), px(250)), dimmedBlue);
    savePicture(QStringLiteral("overlay-selection"));
    // Shrunk again: what it leaves is dimmed once more.
    x.moveTo(px(150), px(100));
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.pixel(px(200), px(150)) == dimmedBlue; }, 5000));
    EXPECT_EQ(x.pixel(px(120), px(60)), red);
    x.button(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 5000));
    EXPECT_EQ(*outcome, QRectF(90, 40, 60, 60));
}
