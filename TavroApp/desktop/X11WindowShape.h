#pragma once

#include <cstdint>

namespace tavro::X11WindowShape {

// Whether the X server can shape windows (SHAPE), so a window can be on the screen and show
// nothing.
bool available();
// A window with an empty shape covers nothing: what lies under it shows and repaints as if it
// were not there, while it can still hold the pointer and keyboard grabs. Cleared, it is whole
// again and is sent its expose.
void setEmpty(std::uint32_t window, bool empty);

} // namespace tavro::X11WindowShape
