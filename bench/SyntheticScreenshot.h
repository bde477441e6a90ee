#pragma once

#include "model/Image.h"

namespace tavro::bench {

// Something like a desktop at `size`: a backdrop, windows with title bars, lines of text, a
// photo-like gradient. Flat areas and sharp text edges are what make screenshots compress as
// they do.
Image syntheticScreenshot(PixelSize size);

} // namespace tavro::bench
