#include "platform/X11ScreenGrab.h"

#include <QGuiApplication>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <memory>

namespace tavro::X11ScreenGrab {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The one pixel layout QImage takes as it is: 32 bits a pixel, blue in the lowest byte.
bool rootIsBGRX(const xcb_setup_t* setup, const xcb_screen_t* screen) {
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || screen->root_depth < 24)
        return false;
    bool fourBytes = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == screen->root_depth)
            fourBytes = it.data->bits_per_pixel == 32;
    if (!fourBytes)
        return false;
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem;
         xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == screen->root_visual)
                return visuals.data->red_mask == 0xff0000 && visuals.data->green_mask == 0xff00 &&
                       visuals.data->blue_mask == 0xff;
    return false;
}

// A server that refused to attach our memory once (it runs on another machine) refuses again.
xcb_connection_t* refusedOn = nullptr;

} // namespace

std::optional<QImage> grab(const QRect& rect) {
    xcb_connection_t* c = connection();
    if (!c || rect.isEmpty() || c == refusedOn)
        return std::nullopt;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_shm_id);
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    if (!extension || !extension->present || !screen || !rootIsBGRX(setup, screen)) {
        refusedOn = c;
        return std::nullopt;
    }
    const qsizetype stride = qsizetype(rect.width()) * 4;
    const size_t size = size_t(stride) * size_t(rect.height());
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0)
        return std::nullopt;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return std::nullopt;
    }
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    const xcb_void_cookie_t attach = xcb_shm_attach_checked(c, segment, std::uint32_t(id), 0);
    const auto cookie =
        xcb_shm_get_image(c, screen->root, std::int16_t(rect.x()), std::int16_t(rect.y()),
                          std::uint16_t(rect.width()), std::uint16_t(rect.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0);
    xcb_generic_error_t* error = nullptr;
    std::unique_ptr<xcb_shm_get_image_reply_t, decltype(&std::free)> reply(
        xcb_shm_get_image_reply(c, cookie, &error), &std::free);
    std::free(error);
    // Answered already: the image's reply came after it.
    xcb_generic_error_t* refused = xcb_request_check(c, attach);
    // The server has attached the segment by now; it goes once both sides have let go.
    shmctl(id, IPC_RMID, nullptr);
    if (refused) {
        std::free(refused);
        shmdt(address);
        refusedOn = c;
        return std::nullopt;
    }
    xcb_shm_detach(c, segment);
    xcb_flush(c);
    if (!reply || reply->size < size) {
        shmdt(address);
        return std::nullopt;
    }
    QImage image(
        static_cast<uchar*>(address), rect.width(), rect.height(), stride, QImage::Format_RGB32,
        [](void* memory) { shmdt(memory); }, address);
    if (image.isNull()) {
        shmdt(address);
        return std::nullopt;
    }
    return image;
}

} // namespace tavro::X11ScreenGrab
