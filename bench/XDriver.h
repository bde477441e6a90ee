// A client of its own on the benchmarks' X display: it presses keys and moves the pointer through
// XTEST and watches top-level windows come and go, so a latency is timed from outside the app.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavro::test {
class DesktopSession;
}

namespace tavro::bench {

// Key codes of the server's default keyboard map.
namespace keys {
inline constexpr std::uint8_t alt = 64;
inline constexpr std::uint8_t shift = 50;
inline constexpr std::uint8_t two = 11;
inline constexpr std::uint8_t escape = 9;
} // namespace keys

class XDriver {
public:
    explicit XDriver(const tavro::test::DesktopSession& session);
    ~XDriver();
    XDriver(const XDriver&) = delete;
    XDriver& operator=(const XDriver&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    // Presses the keys in order and releases them in reverse.
    void press(const std::vector<std::uint8_t>& keyCodes);
    void moveTo(int x, int y);
    void leftButton(bool down);

    // Forgets what happened so far.
    void drain();

    // The first top-level window mapped within `timeout` that `matches`.
    std::optional<xcb_window_t> waitForMap(std::chrono::milliseconds timeout,
                                           const std::function<bool(xcb_window_t)>& matches);
    bool waitForUnmap(xcb_window_t window, std::chrono::milliseconds timeout);

    bool isFullScreen(xcb_window_t window);
    bool isOverrideRedirect(xcb_window_t window);
    // The window or one of the window manager's children of it is called `name`.
    bool holds(xcb_window_t window, const std::string& name, int depth = 2);
    // How many pixels on the screen are within `tolerance` of 0xRRGGBB in each channel.
    std::size_t pixelsNear(std::uint32_t rgb, int tolerance);

    // The screen's pixel at x, y as 0xRRGGBB.
    std::uint32_t pixel(int x, int y);
    // Whether the pixel at x, y shows `color` within `tolerance` per channel before `timeout`.
    bool waitForPixel(int x, int y, std::uint32_t color, int tolerance,
                      std::chrono::milliseconds timeout);

private:
    using Event = std::unique_ptr<xcb_generic_event_t, decltype(&std::free)>;

    void fake(std::uint8_t type, std::uint8_t detail);
    void sync();
    xcb_atom_t atom(const char* name);
    std::string nameOf(xcb_window_t window);
    std::optional<Event> next(std::chrono::milliseconds wait);

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    int width_ = 0;
    int height_ = 0;
    xcb_atom_t netName_ = XCB_ATOM_NONE;
    xcb_atom_t utf8_ = XCB_ATOM_NONE;
};

// The median of `samples`, which it sorts; 0 when there are none.
double median(std::vector<double>& samples);

} // namespace tavro::bench
