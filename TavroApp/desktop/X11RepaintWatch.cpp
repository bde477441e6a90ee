#include "desktop/X11RepaintWatch.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QRegion>

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

namespace tavro {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The first event code of DAMAGE on `c`, once its version is agreed (the server refuses every
// other request before that); nothing without it.
std::optional<std::uint8_t> damageEvents(xcb_connection_t* c) {
    static xcb_connection_t* askedOn = nullptr;
    static std::optional<std::uint8_t> first;
    if (askedOn == c)
        return first;
    askedOn = c;
    first.reset();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_damage_id);
    if (!extension || !extension->present)
        return first;
    std::unique_ptr<xcb_damage_query_version_reply_t, decltype(&std::free)> version(
        xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr), &std::free);
    if (version)
        first = extension->first_event;
    return first;
}

using GeometryReply = std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)>;

GeometryReply geometryOf(xcb_connection_t* c, xcb_get_geometry_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    GeometryReply geometry(xcb_get_geometry_reply(c, cookie, &error), &std::free);
    std::free(error);
    return geometry;
}

QRect outerRect(const xcb_get_geometry_reply_t& geometry) {
    return {geometry.x, geometry.y, geometry.width + 2 * geometry.border_width,
            geometry.height + 2 * geometry.border_width};
}

} // namespace

// Takes the damage reports out of Qt's event stream, which would drop them, for the watches
// that asked.
class X11RepaintWatch::Filter final : public QAbstractNativeEventFilter {
public:
    static Filter& instance() {
        static Filter* filter = [] {
            auto* made = new Filter;
            QCoreApplication::instance()->installNativeEventFilter(made);
            return made;
        }();
        return *filter;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (watches.empty() || type != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != notifyCode)
            return false;
        auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event);
        bool ours = false;
        for (X11RepaintWatch* watch : watches)
            if (watch->damage_ == notify->damage) {
                ours = true;
                const QRect area(notify->area.x, notify->area.y, notify->area.width,
                                 notify->area.height);
                const QRect whole(notify->geometry.x, notify->geometry.y, notify->geometry.width,
                                  notify->geometry.height);
                // The server first reports the whole root as it stands: nobody drew that.
                const bool creation = !watch->reportedOnce_ && area == whole;
                watch->reportedOnce_ = true;
                if (!creation)
                    watch->drawn(area);
            }
        return ours;
    }

    std::vector<X11RepaintWatch*> watches;
    std::uint8_t notifyCode = 0;
};

std::unique_ptr<X11RepaintWatch> X11RepaintWatch::start(const std::vector<std::uint32_t>& leaving,
                                                        const QRect& area) {
    xcb_connection_t* c = connection();
    const auto first = c ? damageEvents(c) : std::nullopt;
    if (!first)
        return nullptr;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_damage_damage_t damage = xcb_generate_id(c);
    xcb_damage_create(c, damage, screen->root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(c);

    // The root's children come bottom first: those below the topmost leaving window, on the
    // screen and meeting the area, are the ones uncovered.
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, screen->root), nullptr), &std::free);
    std::vector<xcb_window_t> below;
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        int top = -1;
        for (int i = 0; i < count; ++i)
            if (std::find(leaving.begin(), leaving.end(), children[i]) != leaving.end())
                top = i;
        for (int i = 0; i < top; ++i)
            if (std::find(leaving.begin(), leaving.end(), children[i]) == leaving.end())
                below.push_back(children[i]);
    }
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_geometry_cookie_t> geometries;
    for (const xcb_window_t window : below) {
        attributes.push_back(xcb_get_window_attributes(c, window));
        geometries.push_back(xcb_get_geometry(c, window));
    }
    // From the top down: a window's part is what no window above it hides.
    std::vector<Uncovered> uncovered;
    QRegion hidden;
    for (size_t i = below.size(); i-- > 0;) {
        xcb_generic_error_t* error = nullptr;
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attribute(
            xcb_get_window_attributes_reply(c, attributes[i], &error), &std::free);
        std::free(error);
        const GeometryReply geometry = geometryOf(c, geometries[i]);
        if (!attribute || !geometry || attribute->map_state != XCB_MAP_STATE_VIEWABLE ||
            attribute->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        const QRect frame = outerRect(*geometry);
        QRegion part = QRegion(frame & area) - hidden;
        hidden += frame;
        if (!part.isEmpty())
            uncovered.push_back({below[i], std::move(part), false});
    }

    Filter& filter = Filter::instance();
    filter.notifyCode = std::uint8_t(*first + XCB_DAMAGE_NOTIFY);
    std::unique_ptr<X11RepaintWatch> watch(new X11RepaintWatch(damage, area, std::move(uncovered)));
    filter.watches.push_back(watch.get());
    return watch;
}

X11RepaintWatch::X11RepaintWatch(std::uint32_t damage, const QRect& area,
                                 std::vector<Uncovered> uncovered)
    : damage_(damage)
    , area_(area)
    , uncovered_(std::move(uncovered)) {}

void X11RepaintWatch::drawn(const QRect& rect) {
    if (!rect.intersects(area_))
        return;
    drawn_ = true;
    for (Uncovered& window : uncovered_)
        window.drawn = window.drawn || window.part.intersects(rect);
}

bool X11RepaintWatch::uncoveredDrawn() const {
    return std::all_of(uncovered_.begin(), uncovered_.end(),
                       [](const Uncovered& window) { return window.drawn; });
}

X11RepaintWatch::~X11RepaintWatch() {
    auto& watches = Filter::instance().watches;
    watches.erase(std::remove(watches.begin(), watches.end(), this), watches.end());
    if (xcb_connection_t* c = connection()) {
        xcb_damage_destroy(c, damage_);
        xcb_flush(c);
    }
}

bool X11RepaintWatch::takeDrawn() {
    return std::exchange(drawn_, false);
}

QRect X11RepaintWatch::areaOf(const std::vector<std::uint32_t>& windows) {
    xcb_connection_t* c = connection();
    if (!c)
        return {};
    std::vector<xcb_get_geometry_cookie_t> cookies;
    for (const std::uint32_t window : windows)
        cookies.push_back(xcb_get_geometry(c, window));
    QRect area;
    for (const auto& cookie : cookies)
        if (const GeometryReply geometry = geometryOf(c, cookie))
            area |= outerRect(*geometry);
    return area;
}

} // namespace tavro
