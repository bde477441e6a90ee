#pragma once

#include "model/Pixels.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace tavro {

// The first image of a PNG or JPEG file brought down to a longest edge of `maxEdge` while it is
// read, a few rows at a time rather than the whole image: the same pixels as Image::load()
// followed by Image::downscaled(), or the image as it is when it fits. Nothing for anything
// Image::load() would not read.
std::optional<PixelBuffer> readDownscaled(FILE* file, int maxEdge);

// Those pixels as a PNG file, the bytes codec::encodePNG() gives for them. A file that holds no
// transparency is encoded as its rows come, never held whole.
std::optional<std::vector<uint8_t>> readDownscaledPNG(FILE* file, int maxEdge);

} // namespace tavro
