#include "desktop/X11WindowShape.h"

#include <QGuiApplication>

#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace tavro::X11WindowShape {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

bool available() {
    xcb_connection_t* c = connection();
    const xcb_query_extension_reply_t* extension =
        c ? xcb_get_extension_data(c, &xcb_shape_id) : nullptr;
    return extension && extension->present;
}

void setEmpty(std::uint32_t window, bool empty) {
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    if (empty)
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED,
                             window, 0, 0, 0, nullptr);
    else
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, window, 0, 0, XCB_PIXMAP_NONE);
    xcb_flush(c);
}

} // namespace tavro::X11WindowShape
