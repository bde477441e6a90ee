#pragma once

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tavro::test {

// A second client on the test's X server: it moves and presses the pointer through XTEST as a
// person would, reads the screen's pixels, and owns windows of its own. Coordinates are the
// root window's device pixels.
class XClient {
public:
    XClient()
        : c_(xcb_connect(nullptr, nullptr)) {
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    }
    ~XClient() { xcb_disconnect(c_); }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    xcb_connection_t* connection() const { return c_; }
    xcb_window_t root() const { return screen_->root; }
    const xcb_screen_t& screen() const { return *screen_; }

    void moveTo(int x, int y) {
        xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root(), std::int16_t(x),
                            std::int16_t(y), 0);
        sync();
    }
    void button(bool down) {
        xcb_test_fake_input(c_, down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME,
                            XCB_NONE, 0, 0, 0);
        sync();
    }
    void drag(int fromX, int fromY, int toX, int toY, bool release = true) {
        moveTo(fromX, fromY);
        button(true);
        moveTo((fromX + toX) / 2, (fromY + toY) / 2);
        moveTo(toX, toY);
        if (release)
            button(false);
    }

    // 0xRRGGBB.
    std::uint32_t pixel(int x, int y) {
        auto* reply =
            xcb_get_image_reply(c_,
                                xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root(),
                                              std::int16_t(x), std::int16_t(y), 1, 1, ~0u),
                                nullptr);
        std::uint32_t value = 0;
        if (reply && xcb_get_image_data_length(reply) >= 4)
            std::memcpy(&value, xcb_get_image_data(reply), 4);
        std::free(reply);
        return value & 0xffffff;
    }

    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

private:
    xcb_connection_t* c_;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace tavro::test
