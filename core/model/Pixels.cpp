#include "model/Pixels.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace tavro {

bool withinImageLimits(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= maxImageSide && height <= maxImageSide &&
           width * height <= maxImagePixels;
}

std::optional<PixelSize> downscaledSize(PixelSize size, int maxEdge) {
    const int longest = std::max(size.width, size.height);
    if (maxEdge < 1 || maxEdge >= longest)
        return std::nullopt;
    const double scale = double(maxEdge) / double(longest);
    auto side = [scale](int length) {
        return std::max(1, static_cast<int>(std::round(double(length) * scale)));
    };
    return PixelSize{side(size.width), side(size.height)};
}

std::vector<PixelSize> scalingSteps(PixelSize from, PixelSize target) {
    std::vector<PixelSize> steps;
    PixelSize current = from;
    auto halve = [](int side, int goal) {
        return side >= 2 * goal ? (side + 1) / 2 : side;
    };
    while (current.width >= 2 * target.width || current.height >= 2 * target.height) {
        current = {halve(current.width, target.width), halve(current.height, target.height)};
        steps.push_back(current);
    }
    steps.push_back(target);
    return steps;
}

bool PixelView::isOpaque() const {
    for (int y = 0; y < size.height; ++y) {
        const uint32_t* words = row(y);
        // A whole row at a time, without an early exit, so that the loop vectorises.
        uint32_t all = 0xFFFFFFFFu;
        for (int x = 0; x < size.width; ++x)
            all &= words[x];
        if ((all >> 24) != 0xFF)
            return false;
    }
    return true;
}

std::optional<PixelBuffer> PixelBuffer::create(PixelSize size) {
    if (!withinImageLimits(size.width, size.height))
        return std::nullopt;
    try {
        return PixelBuffer(size, std::make_unique_for_overwrite<uint32_t[]>(size_t(size.width) *
                                                                            size_t(size.height)));
    } catch (const std::bad_alloc&) {
        // Too large to hold: the same answer as a size beyond the limits.
        return std::nullopt;
    }
}

} // namespace tavro
