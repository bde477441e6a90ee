#pragma once

#include "model/Pixels.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// The PNG and JPEG codecs: files decoded a row at a time into PixelView's layout, and pixels
// encoded. Image and the readers of the library's images build on them.
namespace tavro::codec {

// Encoded bytes come from a buffer, or from an open file read from its current position.
struct Source {
    std::span<const uint8_t> bytes;
    FILE* file = nullptr;
};

// Where a decoder puts an image's rows, top to bottom, one native-endian premultiplied ARGB word
// per pixel.
class RowSink {
public:
    virtual ~RowSink() = default;
    // The image's size, before any row, and whether the file holds only opaque pixels (no
    // alpha channel, no transparent colour); false stops the decoding.
    virtual bool begin(PixelSize size, bool opaque) = 0;
    // Where the next row goes: `width` words, written next and then handed over by rowDone().
    virtual uint32_t* nextRow() = 0;
    // The row nextRow() gave is complete; false stops the decoding.
    virtual bool rowDone() = 0;

    // Room for every row at once, for a file decoded in passes over the whole image (an
    // interlaced PNG): filled there, the image takes no nextRow() at all. Without such room the
    // decoder holds the image itself and hands its rows on one by one.
    struct Whole {
        uint8_t* data;
        size_t stride;
    };
    virtual std::optional<Whole> wholeImage() { return std::nullopt; }
};

bool looksLikePNG(std::span<const uint8_t> head);
bool looksLikeJPEG(std::span<const uint8_t> head);

// False for anything unreadable: truncated or corrupt data, an image over the limits, or a sink
// that stopped the decoding.
bool decodePNG(const Source& source, RowSink& sink);
bool decodeJPEG(const Source& source, RowSink& sink);
// The first image of a PNG or JPEG file or buffer, by content rather than name.
bool decode(std::span<const uint8_t> bytes, RowSink& sink);
bool decode(FILE* file, RowSink& sink);

std::optional<DeclaredSize> declaredJPEGSize(const Source& source);
// The width and height in a PNG or JPEG file's header, read without decoding it.
std::optional<DeclaredSize> declaredSize(FILE* file);

// PNG file bytes without metadata: RGB when every pixel is opaque, else RGBA.
std::optional<std::vector<uint8_t>> encodePNG(PixelView pixels);

// The same bytes a row at a time, top to bottom, for whoever knows beforehand whether every
// pixel is opaque; `withAlpha` must be what encodePNG() would choose.
class PngRowWriter {
public:
    PngRowWriter(PixelSize size, bool withAlpha);
    ~PngRowWriter();
    PngRowWriter(const PngRowWriter&) = delete;
    PngRowWriter& operator=(const PngRowWriter&) = delete;

    // False once anything failed; later rows are then ignored.
    bool write(const uint32_t* row);
    std::optional<std::vector<uint8_t>> finish();

    struct State;

private:
    std::unique_ptr<State> state_;
};
// JPEG has no alpha: premultiplied colours come out as they are, over black.
std::optional<std::vector<uint8_t>> encodeJPEG(PixelView pixels, int quality);

} // namespace tavro::codec
