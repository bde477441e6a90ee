#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tavro {

struct PixelSize {
    int width = 0;
    int height = 0;

    bool operator==(const PixelSize&) const = default;
};

// The size an image file says it has, which may lie far beyond what can be decoded.
struct DeclaredSize {
    int64_t width = 0;
    int64_t height = 0;

    bool operator==(const DeclaredSize&) const = default;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const PixelRect&) const = default;
};

// Refused beyond these, so a hostile file cannot make us allocate without bound: 64 Mi pixels
// (256 MiB of pixels) in all, and cairo's own limit per side.
inline constexpr int maxImageSide = 32767;
inline constexpr int64_t maxImagePixels = int64_t(64) * 1024 * 1024;
bool withinImageLimits(int64_t width, int64_t height);

// The size an image takes when its longest edge is brought down to `maxEdge`: each side scaled
// by maxEdge / longest edge, rounded half away from zero, at least 1. Nothing when the image
// already fits (it is never enlarged) or when maxEdge is below 1.
std::optional<PixelSize> downscaledSize(PixelSize size, int maxEdge);

// The sizes an image passes through on its way down to `target`: halved (rounding up) on each
// side still at least twice its target, then the target itself. Each step shrinks by at most
// half, which keeps a bilinear step free of aliasing.
std::vector<PixelSize> scalingSteps(PixelSize from, PixelSize target);

// Pixels laid out as Image lays them out: one native-endian 32-bit word per pixel, alpha in the
// top byte, colours premultiplied by alpha, rows `stride` bytes apart.
struct PixelView {
    const uint8_t* data = nullptr;
    PixelSize size;
    size_t stride = 0;

    const uint32_t* row(int y) const {
        return reinterpret_cast<const uint32_t*>(data + size_t(y) * stride);
    }
    bool isOpaque() const;
};

// Such pixels in memory of their own, rows packed, with no drawing library behind them.
class PixelBuffer {
public:
    // Nothing for a size that is not positive or over the limits, or when memory runs out. The
    // pixels start undefined.
    static std::optional<PixelBuffer> create(PixelSize size);

    PixelSize size() const { return size_; }
    uint32_t* row(int y) { return words_.get() + size_t(y) * size_t(size_.width); }
    PixelView view() const {
        return {reinterpret_cast<const uint8_t*>(words_.get()), size_, size_t(size_.width) * 4};
    }

private:
    PixelBuffer(PixelSize size, std::unique_ptr<uint32_t[]> words)
        : size_(size)
        , words_(std::move(words)) {}

    PixelSize size_;
    std::unique_ptr<uint32_t[]> words_;
};

} // namespace tavro
