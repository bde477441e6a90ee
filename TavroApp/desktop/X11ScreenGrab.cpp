#include "desktop/X11ScreenGrab.h"

#include <QGuiApplication>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

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

// Memory shared with the X server, attached on both sides for as long as it is kept. A grab
// reuses one whose last image has gone: memory touched for the first time costs a page fault
// for every 4 KiB, which at 5120 × 2880 takes longer than the copy itself.
struct Segment {
    int id = -1;
    void* address = nullptr;
    std::size_t size = 0;
    xcb_shm_seg_t seg = 0;
    // Cleared by the image's clean-up, which may run on any thread.
    std::atomic<bool> inUse{false};
};

// Kept free for the next grabs, beyond those still in use: one for each screen of a usual desk.
constexpr std::size_t keptSegments = 2;
std::vector<std::unique_ptr<Segment>> segments;

// Lets go of free segments beyond the kept ones, and of every free one but `keep` that is too
// large for what grabs ask now.
void trim(xcb_connection_t* c, const Segment* keep) {
    std::size_t free = 0;
    for (auto it = segments.rbegin(); it != segments.rend(); ++it)
        if (it->get() != keep && !(*it)->inUse && ++free > keptSegments) {
            xcb_shm_detach(c, (*it)->seg);
            shmdt((*it)->address);
            (*it)->address = nullptr;
        }
    std::erase_if(segments, [](const auto& segment) { return !segment->address; });
}

// A free segment of at least `size` bytes attached to the server; nothing where it refuses.
Segment* segmentFor(xcb_connection_t* c, std::size_t size) {
    for (const auto& segment : segments)
        if (!segment->inUse && segment->size >= size && segment->size <= 2 * size)
            return segment.get();
    auto segment = std::make_unique<Segment>();
    segment->size = size;
    segment->id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (segment->id < 0)
        return nullptr;
    segment->address = shmat(segment->id, nullptr, 0);
    if (segment->address == reinterpret_cast<void*>(-1)) {
        shmctl(segment->id, IPC_RMID, nullptr);
        return nullptr;
    }
    segment->seg = xcb_generate_id(c);
    xcb_generic_error_t* refused = xcb_request_check(
        c, xcb_shm_attach_checked(c, segment->seg, std::uint32_t(segment->id), 0));
    // Attached on both sides or refused: either way it goes once both have let go.
    shmctl(segment->id, IPC_RMID, nullptr);
    if (refused) {
        std::free(refused);
        shmdt(segment->address);
        refusedOn = c;
        return nullptr;
    }
    segments.push_back(std::move(segment));
    return segments.back().get();
}

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
    const std::size_t size = std::size_t(stride) * std::size_t(rect.height());
    Segment* segment = segmentFor(c, size);
    if (!segment)
        return std::nullopt;
    trim(c, segment);
    const auto cookie =
        xcb_shm_get_image(c, screen->root, std::int16_t(rect.x()), std::int16_t(rect.y()),
                          std::uint16_t(rect.width()), std::uint16_t(rect.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment->seg, 0);
    xcb_generic_error_t* error = nullptr;
    std::unique_ptr<xcb_shm_get_image_reply_t, decltype(&std::free)> reply(
        xcb_shm_get_image_reply(c, cookie, &error), &std::free);
    std::free(error);
    if (!reply || reply->size < size)
        return std::nullopt;
    // The segment is the image's until its last copy goes.
    segment->inUse = true;
    QImage image(
        static_cast<uchar*>(segment->address), rect.width(), rect.height(), stride,
        QImage::Format_RGB32, [](void* done) { static_cast<Segment*>(done)->inUse = false; },
        segment);
    if (image.isNull()) {
        segment->inUse = false;
        return std::nullopt;
    }
    return image;
}

} // namespace tavro::X11ScreenGrab
