#include "model/ImageCodecs.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstring>
#include <new>

// libpng reports errors by longjmp. Each function that calls setjmp keeps no C++ object of its
// own: everything with a destructor lives in a state object owned by its caller, so a jump
// skips nothing that needs cleaning up.
namespace tavro::codec {

namespace {

constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void ignoreWarning(png_structp, png_const_charp) {}

[[noreturn]] void failQuietly(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

struct MemoryReader {
    std::span<const uint8_t> bytes;
    size_t offset = 0;
};

void readFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->bytes.size() - reader->offset)
        png_error(png, "unexpected end of data");
    std::memcpy(out, reader->bytes.data() + reader->offset, length);
    reader->offset += length;
}

struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemoryReader memory;
    std::vector<png_bytep> rows;
    std::vector<png_byte> row;
    // An interlaced image, when the sink has no room for it whole.
    std::vector<uint32_t> whole;

    ReadState() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~ReadState() { png_destroy_read_struct(&png, &info, nullptr); }
    ReadState(const ReadState&) = delete;
    ReadState& operator=(const ReadState&) = delete;
};

// One opaque word per R, G, B triple.
void wordsFromRGB(const png_byte* source, size_t width, uint8_t* target) {
    size_t x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Four bytes read at once hold R, G, B and the next pixel's R; byte-swapped that word is
        // 0xRRGGBBxx, so one shift leaves 0x00RRGGBB. The last pixel has no fourth byte.
        for (; x + 1 < width; ++x, source += 3) {
            uint32_t bytes;
            std::memcpy(&bytes, source, 4);
            const uint32_t value = 0xFF000000u | (__builtin_bswap32(bytes) >> 8);
            std::memcpy(target + x * 4, &value, 4);
        }
    }
    for (; x < width; ++x, source += 3) {
        const uint32_t value =
            0xFF000000u | uint32_t(source[0]) << 16 | uint32_t(source[1]) << 8 | source[2];
        std::memcpy(target + x * 4, &value, 4);
    }
}

uint32_t scaled(uint32_t channel, uint32_t alpha) {
    return (channel * alpha + 127) / 255;
}

void premultipliedWordsFromRGBA(const png_byte* source, size_t width, uint8_t* target) {
    for (size_t x = 0; x < width; ++x, source += 4) {
        const uint32_t alpha = source[3];
        uint32_t red = source[0], green = source[1], blue = source[2];
        if (alpha != 0xFF)
            red = scaled(red, alpha), green = scaled(green, alpha), blue = scaled(blue, alpha);
        const uint32_t value = alpha << 24 | red << 16 | green << 8 | blue;
        std::memcpy(target + x * 4, &value, 4);
    }
}

// Premultiplies rows of straight-alpha words in place.
void premultiply(uint8_t* data, PixelSize size, size_t stride) {
    for (int y = 0; y < size.height; ++y) {
        auto* row = data + size_t(y) * stride;
        for (int x = 0; x < size.width; ++x) {
            uint32_t value;
            std::memcpy(&value, row + size_t(x) * 4, 4);
            const uint32_t alpha = value >> 24;
            if (alpha == 0xFF)
                continue;
            value = (alpha << 24) | (scaled((value >> 16) & 0xFF, alpha) << 16) |
                    (scaled((value >> 8) & 0xFF, alpha) << 8) | scaled(value & 0xFF, alpha);
            std::memcpy(row + size_t(x) * 4, &value, 4);
        }
    }
}

// Everything that can fail inside libpng. Allocation happens through `state`, whose members
// outlive the jump; sinks do not throw.
bool readInto(ReadState& state, const Source& source, RowSink& sink) {
    png_structp png = state.png;
    png_infop info = state.info;
    if (setjmp(png_jmpbuf(png)))
        return false;

    if (source.file) {
        png_init_io(png, source.file);
    } else {
        state.memory.bytes = source.bytes;
        png_set_read_fn(png, &state.memory, readFromMemory);
    }
    png_set_user_limits(png, maxImageSide, maxImageSide);
    // Every chunk's CRC is still checked, which covers the compressed data; the second checksum
    // over the inflated pixels costs a tenth of the decode.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (!withinImageLimits(width, height))
        return false;

    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (transparency)
        png_set_tRNS_to_alpha(png);
    const bool mayHaveAlpha = transparency || (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (bitDepth == 16)
        png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    if (interlaced) {
        // Passes fill the rows in place, so libpng itself lays them out as cairo's native-endian
        // 0xAARRGGBB words.
        if constexpr (std::endian::native == std::endian::little) {
            png_set_bgr(png);
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        } else {
            png_set_swap_alpha(png);
            png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
        }
        png_set_interlace_handling(png);
    }
    png_read_update_info(png, info);
    const size_t channels = interlaced ? 4 : png_get_channels(png, info);
    if ((channels != 3 && channels != 4) || png_get_rowbytes(png, info) != size_t(width) * channels)
        return false;

    const PixelSize size{int(width), int(height)};
    if (!sink.begin(size, !mayHaveAlpha))
        return false;
    if (interlaced) {
        const auto room = sink.wholeImage();
        if (!room)
            state.whole.resize(size_t(width) * height);
        uint8_t* pixels = room ? room->data : reinterpret_cast<uint8_t*>(state.whole.data());
        const size_t stride = room ? room->stride : size_t(width) * 4;
        state.rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            state.rows[y] = pixels + y * stride;
        png_read_image(png, state.rows.data());
        if (mayHaveAlpha)
            premultiply(pixels, size, stride);
        if (room)
            return true;
        for (png_uint_32 y = 0; y < height; ++y) {
            std::memcpy(sink.nextRow(), pixels + y * stride, stride);
            if (!sink.rowDone())
                return false;
        }
        return true;
    }
    // Row by row through a buffer that stays in cache, converted in one pass of whole words:
    // libpng's own reordering and filler work a byte at a time and cost more than inflating.
    state.row.resize(png_get_rowbytes(png, info));
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, state.row.data(), nullptr);
        auto* target = reinterpret_cast<uint8_t*>(sink.nextRow());
        if (channels == 3)
            wordsFromRGB(state.row.data(), width, target);
        else
            premultipliedWordsFromRGBA(state.row.data(), width, target);
        if (!sink.rowDone())
            return false;
    }
    return true;
}

void writeToVector(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bool full = false;
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        // No memory to grow into: the write is failed below, through libpng's error path.
        full = true;
    }
    if (full)
        png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

// PNG stores straight (not premultiplied) colour in R, G, B(, A) byte order.
void unpremultiplyRow(const uint8_t* source, int width, uint8_t* target) {
    for (int x = 0; x < width; ++x) {
        uint32_t value;
        std::memcpy(&value, source + size_t(x) * 4, 4);
        const uint32_t alpha = value >> 24;
        uint32_t red = (value >> 16) & 0xFF, green = (value >> 8) & 0xFF, blue = value & 0xFF;
        if (alpha != 0xFF && alpha != 0) {
            auto unscale = [alpha](uint32_t channel) {
                return std::min<uint32_t>((channel * 255 + alpha / 2) / alpha, 255);
            };
            red = unscale(red), green = unscale(green), blue = unscale(blue);
        }
        *target++ = uint8_t(red);
        *target++ = uint8_t(green);
        *target++ = uint8_t(blue);
        *target++ = uint8_t(alpha);
    }
}

// An opaque row needs no unscaling, only its alpha dropped.
void rgbRow(const uint8_t* source, int width, uint8_t* target) {
    for (int x = 0; x < width; ++x, target += 3) {
        uint32_t value;
        std::memcpy(&value, source + size_t(x) * 4, 4);
        target[0] = uint8_t(value >> 16);
        target[1] = uint8_t(value >> 8);
        target[2] = uint8_t(value);
    }
}

} // namespace

struct PngRowWriter::State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t> out;
    std::vector<uint8_t> row;
    bool withAlpha = false;
    bool failed = false;
    int width = 0;

    State() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~State() { png_destroy_write_struct(&png, &info); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
};

namespace {

bool startWriting(PngRowWriter::State& state, PixelSize size) {
    png_structp png = state.png;
    png_infop info = state.info;
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_set_write_fn(png, &state.out, writeToVector, flushNothing);
    png_set_IHDR(png, info, png_uint_32(size.width), png_uint_32(size.height), 8,
                 state.withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Screenshots are mostly flat colour and text, where filters gain little: the fastest deflate
    // level without them takes a third of the time of libpng's defaults, and decodes faster.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    return true;
}

bool writeRow(PngRowWriter::State& state, const uint32_t* words) {
    png_structp png = state.png;
    if (setjmp(png_jmpbuf(png)))
        return false;
    const auto* source = reinterpret_cast<const uint8_t*>(words);
    if (state.withAlpha)
        unpremultiplyRow(source, state.width, state.row.data());
    else
        rgbRow(source, state.width, state.row.data());
    png_write_row(png, state.row.data());
    return true;
}

bool finishWriting(PngRowWriter::State& state) {
    png_structp png = state.png;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool looksLikePNG(std::span<const uint8_t> head) {
    return head.size() >= sizeof signature &&
           std::memcmp(head.data(), signature, sizeof signature) == 0;
}

bool decodePNG(const Source& source, RowSink& sink) {
    try {
        ReadState state;
        return state.info && readInto(state, source, sink);
    } catch (const std::bad_alloc&) {
        // Out of memory while decoding: the same answer as an unreadable file.
        return false;
    }
}

std::optional<std::vector<uint8_t>> encodePNG(PixelView image) {
    PngRowWriter writer(image.size, !image.isOpaque());
    for (int y = 0; y < image.size.height; ++y)
        if (!writer.write(image.row(y)))
            return std::nullopt;
    return writer.finish();
}

PngRowWriter::PngRowWriter(PixelSize size, bool withAlpha) {
    try {
        state_ = std::make_unique<State>();
        State& state = *state_;
        state.withAlpha = withAlpha;
        state.width = size.width;
        state.row.resize(size_t(size.width) * (withAlpha ? 4 : 3));
        // Most of what the file will take, reserved at once rather than grown by copies; pages
        // never written cost nothing.
        state.out.reserve(size_t(size.width) * size_t(size.height) * (withAlpha ? 4 : 3) / 3 +
                          4096);
        state.failed = !state.info || !startWriting(state, size);
    } catch (const std::bad_alloc&) {
        // Out of memory before the first row: the encoder reports a failed encoding.
        state_.reset();
    }
}

PngRowWriter::~PngRowWriter() = default;

bool PngRowWriter::write(const uint32_t* row) {
    if (!state_ || state_->failed)
        return false;
    state_->failed = !writeRow(*state_, row);
    return !state_->failed;
}

std::optional<std::vector<uint8_t>> PngRowWriter::finish() {
    if (!state_ || state_->failed || !finishWriting(*state_))
        return std::nullopt;
    return std::move(state_->out);
}

} // namespace tavro::codec
