#pragma once

#include "model/Pixels.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace tavro {

// A decoded bitmap in cairo's ARGB32 layout: one native-endian 32-bit word per pixel, alpha in
// the top byte, colours premultiplied by alpha, rows `stride()` bytes apart. That is Qt's
// QImage::Format_ARGB32_Premultiplied too, so the app can wrap pixels() without a copy.
// Images are large; they move but never copy by accident (see copy()).
class Image {
public:
    static constexpr int maxSide = maxImageSide;
    static constexpr int64_t maxPixels = maxImagePixels;

    // A fully transparent image; nothing for a size that is not positive or over the limits,
    // or when memory runs out.
    static std::optional<Image> create(PixelSize size);
    // Like create(), but the pixels start undefined: for whoever writes every one of them next,
    // which saves clearing a large image first.
    static std::optional<Image> createForOverwrite(PixelSize size);

    // The first image of a PNG or JPEG file or buffer, by content rather than name. Nothing for
    // anything unreadable: truncated or corrupt data, another format, an image over the limits.
    static std::optional<Image> decode(std::span<const uint8_t> bytes);
    // A file inside the library is never read through a symbolic link (see LibraryOpen.h).
    static std::optional<Image> load(const std::filesystem::path& file);
    // The width and height in a PNG or JPEG file's header, read without decoding it: what
    // tells an image too large to decode from a broken one. Nothing for anything else.
    static std::optional<DeclaredSize> declaredSize(const std::filesystem::path& file);
    static bool withinLimits(DeclaredSize size);

    Image(Image&&) noexcept;
    Image& operator=(Image&&) noexcept;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image();

    std::optional<Image> copy() const;

    int width() const;
    int height() const;
    PixelSize size() const { return {width(), height()}; }
    // Bytes from one row to the next.
    int stride() const;
    uint8_t* pixels();
    const uint8_t* pixels() const;
    PixelView view() const { return {pixels(), size(), size_t(stride())}; }

    // Premultiplied 0xAARRGGBB; x and y must lie inside the image.
    uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, uint32_t argb);
    bool isOpaque() const;

    // PNG file bytes without metadata: RGB when every pixel is opaque, else RGBA.
    std::optional<std::vector<uint8_t>> encodePNG() const;
    // JPEG file bytes at quality 0..1 (0.82 is the thumbnails'). JPEG has no alpha: what is
    // transparent comes out black.
    std::optional<std::vector<uint8_t>> encodeJPEG(double quality) const;

    // A high-quality resampled copy at any size.
    std::optional<Image> scaled(PixelSize size) const;
    // Scaled to downscaledSize(size(), maxEdge); nothing when no scaling is needed or possible.
    std::optional<Image> downscaled(int maxEdge) const;
    // A copy of the part inside `rect`; nothing when the rectangle is empty or not wholly inside.
    std::optional<Image> cropped(PixelRect rect) const;

    // For drawing with cairo inside the core; the image keeps ownership. Whoever draws into it
    // flushes the surface before handing the image on, so reading pixels needs no cairo call
    // and a const image can be read from several threads at once.
    cairo_surface_t* surface() const { return surface_.get(); }

private:
    struct SurfaceRelease {
        void operator()(cairo_surface_t* surface) const;
    };
    explicit Image(cairo_surface_t* surface);
    std::optional<Image> resampled(PixelSize target) const;

    std::unique_ptr<cairo_surface_t, SurfaceRelease> surface_;
};

} // namespace tavro
