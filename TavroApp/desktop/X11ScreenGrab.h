#pragma once

#include <QImage>
#include <QRect>

#include <optional>

namespace tavro::X11ScreenGrab {

// The root window's pixels under `rect` (device pixels), copied once by the X server into memory
// this process shares with it (MIT-SHM). The image holds that memory until it goes; the memory is
// then kept for the next grab, whose pages need not be touched for the first time. Nothing where
// the server cannot share memory with this process (a remote display, no MIT-SHM) or keeps its
// pixels in another layout than 32-bit BGRX: the caller grabs through the socket then.
std::optional<QImage> grab(const QRect& rect);

} // namespace tavro::X11ScreenGrab
