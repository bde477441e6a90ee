#include "desktop/X11FlowDesktop.h"

#include "SolidWindow.h"
#include "XClient.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using namespace tavro;
using tavro::test::XClient;

namespace {

constexpr std::uint32_t white = 0xffffff, red = 0xff0000;

// A program whose window has no background of its own and draws itself white only some time
// after each expose, as a busy program does: until then the screen keeps whatever covered it.
class SlowPainter {
public:
    SlowPainter(const QRect& frame, std::chrono::milliseconds delay)
        : delay_(delay) {
        xcb_connection_t* c = client_.connection();
        window_ = xcb_generate_id(c);
        const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 1, XCB_EVENT_MASK_EXPOSURE};
        xcb_create_window(
            c, XCB_COPY_FROM_PARENT, window_, client_.root(), std::int16_t(frame.x()),
            std::int16_t(frame.y()), std::uint16_t(frame.width()), std::uint16_t(frame.height()), 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, client_.screen().root_visual,
            XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        gc_ = xcb_generate_id(c);
        const std::uint32_t foreground = white;
        xcb_create_gc(c, gc_, window_, XCB_GC_FOREGROUND, &foreground);
        xcb_map_window(c, window_);
        client_.sync();
        thread_ = std::thread([this, frame] { run(frame); });
    }
    ~SlowPainter() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<int> paints{0};

private:
    void run(const QRect& frame) {
        xcb_connection_t* c = client_.connection();
        while (!stop_) {
            xcb_generic_event_t* event = xcb_poll_for_event(c);
            if (!event) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const bool expose = (event->response_type & 0x7f) == XCB_EXPOSE;
            std::free(event);
            if (!expose)
                continue;
            if (paints > 0)
                std::this_thread::sleep_for(delay_);
            const xcb_rectangle_t all{0, 0, std::uint16_t(frame.width()),
                                      std::uint16_t(frame.height())};
            xcb_poly_fill_rectangle(c, window_, gc_, 1, &all);
            xcb_flush(c);
            ++paints;
        }
    }

    XClient client_;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
    std::chrono::milliseconds delay_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

} // namespace

TEST(X11ScreenRepaintTest, AHiddenWindowHasLeftOnceTheProgramUnderItHasDrawnAgain) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const double scale = screen->devicePixelRatio();
    const QRect device(40, 40, 400, 300);
    SlowPainter painter(device, std::chrono::milliseconds(120));
    XClient x;
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.pixel(200, 200) == white; }, 5000));

    QWidget cover;
    test::showSolid(cover, QRect(QPoint(100, 100) / scale, QSize(200, 150) / scale), Qt::red);
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.pixel(200, 200) == red; }, 5000));
    const int paintsBefore = painter.paints;

    cover.hide();
    X11FlowDesktop desktop;
    QObject context;
    std::optional<std::uint32_t> seen;
    desktop.afterWindowsLeave({std::uint32_t(cover.winId())}, 3000, &context,
                              [&] { seen = x.pixel(200, 200); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.has_value(); }, 5000));
    EXPECT_EQ(*seen, white) << std::hex << *seen;
    EXPECT_GT(painter.paints, paintsBefore);
}
