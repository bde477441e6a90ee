#include "XDriver.h"

#include "DesktopSession.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <utility>

namespace tavro::bench {

using Clock = std::chrono::steady_clock;

namespace {

std::string displayOf(const tavro::test::DesktopSession& session) {
    for (const std::string& entry : session.environment())
        if (entry.starts_with("DISPLAY="))
            return entry.substr(8);
    return {};
}

// Whether each channel of 0xRRGGBB `value` lies within `tolerance` of `color`'s.
bool near(std::uint32_t value, std::uint32_t color, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((value >> shift) & 0xff) - int((color >> shift) & 0xff)) > tolerance)
            return false;
    return true;
}

std::chrono::milliseconds until(Clock::time_point end) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
}

} // namespace

XDriver::XDriver(const tavro::test::DesktopSession& session)
    : c_(xcb_connect(displayOf(session).c_str(), nullptr)) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    root_ = screen->root;
    width_ = screen->width_in_pixels;
    height_ = screen->height_in_pixels;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
    netName_ = atom("_NET_WM_NAME");
    utf8_ = atom("UTF8_STRING");
    sync();
}

XDriver::~XDriver() {
    xcb_disconnect(c_);
}

void XDriver::press(const std::vector<std::uint8_t>& keyCodes) {
    for (std::uint8_t key : keyCodes)
        fake(XCB_KEY_PRESS, key);
    for (auto it = keyCodes.rbegin(); it != keyCodes.rend(); ++it)
        fake(XCB_KEY_RELEASE, *it);
    xcb_flush(c_);
}

void XDriver::moveTo(int x, int y) {
    xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, std::int16_t(x),
                        std::int16_t(y), 0);
    sync();
}

void XDriver::leftButton(bool down) {
    fake(down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, 1);
    xcb_flush(c_);
}

void XDriver::drain() {
    while (next(std::chrono::milliseconds(0)))
        ;
}

std::optional<xcb_window_t> XDriver::waitForMap(std::chrono::milliseconds timeout,
                                                const std::function<bool(xcb_window_t)>& matches) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        auto event = next(until(end));
        if (!event || ((*event)->response_type & 0x7f) != XCB_MAP_NOTIFY)
            continue;
        const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event->get());
        if (matches(map->window))
            return map->window;
    }
    return std::nullopt;
}

bool XDriver::waitForUnmap(xcb_window_t window, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        auto event = next(until(end));
        if (!event)
            continue;
        const auto type = (*event)->response_type & 0x7f;
        if (type == XCB_UNMAP_NOTIFY &&
            reinterpret_cast<const xcb_unmap_notify_event_t*>(event->get())->window == window)
            return true;
        if (type == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<const xcb_destroy_notify_event_t*>(event->get())->window == window)
            return true;
    }
    return false;
}

bool XDriver::isFullScreen(xcb_window_t window) {
    auto* reply = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr);
    const bool full = reply && reply->width == width_ && reply->height == height_;
    std::free(reply);
    return full;
}

bool XDriver::isOverrideRedirect(xcb_window_t window) {
    auto* reply =
        xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr);
    const bool overrides = reply && reply->override_redirect;
    std::free(reply);
    return overrides;
}

bool XDriver::holds(xcb_window_t window, const std::string& name, int depth) {
    if (nameOf(window) == name)
        return true;
    if (depth == 0)
        return false;
    auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr);
    if (!tree)
        return false;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    bool found = false;
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
        found = holds(children[i], name, depth - 1);
    std::free(tree);
    return found;
}

std::uint32_t XDriver::pixel(int x, int y) {
    auto* reply = xcb_get_image_reply(c_,
                                      xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_,
                                                    std::int16_t(x), std::int16_t(y), 1, 1, ~0u),
                                      nullptr);
    std::uint32_t value = 0;
    if (reply && xcb_get_image_data_length(reply) >= 4)
        std::memcpy(&value, xcb_get_image_data(reply), 4);
    std::free(reply);
    return value & 0xffffff;
}

bool XDriver::waitForPixel(int x, int y, std::uint32_t color, int tolerance,
                           std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        if (near(pixel(x, y), color, tolerance))
            return true;
        poll(nullptr, 0, 1);
    }
    return false;
}

std::size_t XDriver::pixelsNear(std::uint32_t rgb, int tolerance) {
    auto* reply =
        xcb_get_image_reply(c_,
                            xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, 0, 0,
                                          std::uint16_t(width_), std::uint16_t(height_), ~0u),
                            nullptr);
    if (!reply)
        return 0;
    // The server's 24-bit visual: four bytes a pixel, 0xRRGGBB in the low three.
    const auto* bytes = xcb_get_image_data(reply);
    const int length = xcb_get_image_data_length(reply);
    std::size_t count = 0;
    for (int i = 0; i + 3 < length; i += 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, bytes + i, 4);
        if (near(value & 0xffffff, rgb, tolerance))
            ++count;
    }
    std::free(reply);
    return count;
}

void XDriver::fake(std::uint8_t type, std::uint8_t detail) {
    xcb_test_fake_input(c_, type, detail, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

void XDriver::sync() {
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

xcb_atom_t XDriver::atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

std::string XDriver::nameOf(xcb_window_t window) {
    for (const auto& [property, type] :
         {std::pair{netName_, utf8_},
          std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_ATOM_STRING)}}) {
        auto* reply = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, window, property, type, 0, 256), nullptr);
        std::string name;
        if (reply)
            name.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                        std::size_t(xcb_get_property_value_length(reply)));
        std::free(reply);
        if (!name.empty())
            return name;
    }
    return {};
}

std::optional<XDriver::Event> XDriver::next(std::chrono::milliseconds wait) {
    if (xcb_generic_event_t* event = xcb_poll_for_event(c_))
        return Event(event, &std::free);
    pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
    if (poll(&fd, 1, int(std::max<long>(0, wait.count()))) <= 0)
        return std::nullopt;
    if (xcb_generic_event_t* event = xcb_poll_for_event(c_))
        return Event(event, &std::free);
    return std::nullopt;
}

double median(std::vector<double>& samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

} // namespace tavro::bench
