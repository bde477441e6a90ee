// The pixels an agent receives for a screenshot: the same for the same file, whatever the road
// from the file to the reply. Each file is written here, in every layout a PNG can take (and a
// JPEG), and the reply is checked twice: against the whole image decoded and scaled by Image,
// and against the figures those replies had when this test was written.
#include "ImageEncoder.h"

#include "TempLibrary.h"
#include "model/Image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <optional>

using namespace tavro;
using namespace tavro::test;

namespace {

// A picture with what makes screenshots hard to scale: flat areas, one-pixel lines and edges,
// gradients and noise; with `alpha`, fully and partly transparent areas too.
std::array<uint8_t, 4> pattern(int x, int y, bool alpha) {
    uint32_t noise = uint32_t(x) * 2654435761u ^ uint32_t(y) * 2246822519u;
    noise ^= noise >> 15;
    noise *= 2246822519u;
    noise ^= noise >> 13;
    const bool line = x % 37 == 0 || y % 23 == 0 || (x / 7 + y / 5) % 11 == 0;
    uint8_t r = uint8_t(line ? 20 : (x * 255 / 997) & 0xFF);
    uint8_t g = uint8_t(line ? 30 : (y * 3) & 0xFF);
    uint8_t b = uint8_t((x + y) % 64 < 32 ? noise & 0xFF : 240);
    uint8_t a = 255;
    if (alpha) {
        if ((x / 50 + y / 40) % 5 == 0)
            a = 0;
        else if ((x / 30) % 3 == 0)
            a = uint8_t((noise >> 8) & 0xFF);
        else if (y % 17 < 4)
            a = uint8_t(x & 0xFF);
    }
    return {r, g, b, a};
}

struct PngLayout {
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
};

void writePNG(const std::filesystem::path& file, int width, int height, PngLayout layout) {
    FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_TRUE(out);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, out);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), layout.bitDepth,
                 layout.colorType, layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const bool palette = layout.colorType == PNG_COLOR_TYPE_PALETTE;
    if (palette) {
        // 64 colours, a quarter of them partly or wholly transparent.
        std::vector<png_color> colours(64);
        std::vector<png_byte> alphas(64);
        for (int i = 0; i < 64; ++i) {
            colours[size_t(i)] = {png_byte(i * 4), png_byte(255 - i * 3), png_byte(i * 7 % 256)};
            alphas[size_t(i)] = png_byte(i % 4 == 0 ? i * 4 : 255);
        }
        png_set_PLTE(png, info, colours.data(), 64);
        png_set_tRNS(png, info, alphas.data(), 64, nullptr);
    }
    png_write_info(png, info);
    if (layout.bitDepth == 16)
        png_set_swap(png);
    const int channels = palette ? 1 : png_get_channels(png, info);
    const bool alpha = (layout.colorType & PNG_COLOR_MASK_ALPHA) != 0;
    const size_t sample = layout.bitDepth / 8;
    std::vector<std::vector<png_byte>> rows(static_cast<size_t>(height));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < height; ++y) {
        auto& row = rows[size_t(y)];
        row.resize(size_t(width) * size_t(channels) * sample);
        for (int x = 0; x < width; ++x) {
            const auto p = pattern(x, y, alpha);
            png_byte values[4] = {p[0], p[1], p[2], p[3]};
            if (palette)
                values[0] = png_byte((p[0] / 4 + p[2] / 16) % 64);
            else if (channels <= 2)
                values[0] = png_byte((p[0] + p[1] + p[2]) / 3), values[1] = p[3];
            for (int c = 0; c < channels; ++c)
                for (size_t s = 0; s < sample; ++s)
                    // The low byte of a 16-bit sample varies too, so scaling it down matters.
                    row[(size_t(x) * size_t(channels) + size_t(c)) * sample + s] =
                        s == 0 ? values[c] : png_byte(values[c] ^ x);
        }
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(out);
}

void writeJPEG(const std::filesystem::path& file, int width, int height) {
    auto image = Image::create({width, height});
    ASSERT_TRUE(image);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto p = pattern(x, y, false);
            image->setPixel(x, y, 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
        }
    const auto jpeg = image->encodeJPEG(0.9);
    ASSERT_TRUE(jpeg);
    writeFile(file, std::string(jpeg->begin(), jpeg->end()));
}

std::vector<uint8_t> base64Decoded(const std::string& text) {
    auto value = [](char c) -> uint32_t {
        if (c >= 'A' && c <= 'Z')
            return uint32_t(c - 'A');
        if (c >= 'a' && c <= 'z')
            return uint32_t(c - 'a' + 26);
        if (c >= '0' && c <= '9')
            return uint32_t(c - '0' + 52);
        return c == '+' ? 62 : 63;
    };
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 3 < text.size(); i += 4) {
        const uint32_t bits = value(text[i]) << 18 | value(text[i + 1]) << 12 |
                              (text[i + 2] == '=' ? 0 : value(text[i + 2]) << 6) |
                              (text[i + 3] == '=' ? 0 : value(text[i + 3]));
        out.push_back(uint8_t(bits >> 16));
        if (text[i + 2] != '=')
            out.push_back(uint8_t(bits >> 8));
        if (text[i + 3] != '=')
            out.push_back(uint8_t(bits));
    }
    return out;
}

// A PNG's pixels as it stores them: straight colour, RGB or RGBA.
struct StoredPixels {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> bytes;

    bool operator==(const StoredPixels&) const = default;

    uint64_t hash() const {
        uint64_t h = 14695981039346656037ull;
        auto mix = [&h](uint8_t byte) {
            h ^= byte;
            h *= 1099511628211ull;
        };
        for (int value : {width, height, channels})
            for (int shift = 0; shift < 32; shift += 8)
                mix(uint8_t(value >> shift));
        for (uint8_t byte : bytes)
            mix(byte);
        return h;
    }
};

struct MemoryReader {
    const std::vector<uint8_t>* bytes;
    size_t offset = 0;
};

std::optional<StoredPixels> storedPixels(const std::vector<uint8_t>& file) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{&file};
    StoredPixels pixels;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    png_set_read_fn(png, &reader, [](png_structp png, png_bytep out, size_t length) {
        auto* from = static_cast<MemoryReader*>(png_get_io_ptr(png));
        if (length > from->bytes->size() - from->offset)
            png_error(png, "short");
        std::memcpy(out, from->bytes->data() + from->offset, length);
        from->offset += length;
    });
    png_read_info(png, info);
    pixels.width = int(png_get_image_width(png, info));
    pixels.height = int(png_get_image_height(png, info));
    pixels.channels = png_get_channels(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    pixels.bytes.resize(rowBytes * size_t(pixels.height));
    for (int y = 0; y < pixels.height; ++y)
        rows.push_back(pixels.bytes.data() + rowBytes * size_t(y));
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return pixels;
}

struct Case {
    const char* name;
    int width, height, maxEdge;
    std::optional<PngLayout> png; // a JPEG otherwise
    uint64_t hash;
};

} // namespace

TEST(ImageReplyPixels, StayWhatTheWholeImageScaledGivesForEveryLayoutAndSize) {
    const Case cases[] = {
        {"RGB screenshot, one halving", 3024, 1964, 1400, PngLayout{}, 0xebf14251463d5d80ull},
        {"RGBA, three halvings", 1001, 777, 200, PngLayout{PNG_COLOR_TYPE_RGB_ALPHA},
         0x893b7d025c418ca5ull},
        {"grey, one pixel less", 999, 1000, 998, PngLayout{PNG_COLOR_TYPE_GRAY},
         0xcaf224684b3db1aull},
        {"RGB, a pixel less each way", 1401, 910, 1400, PngLayout{}, 0x2c51b0c3259f94fcull},
        {"palette with transparency", 640, 480, 300, PngLayout{PNG_COLOR_TYPE_PALETTE},
         0x6d7915482338337full},
        {"16-bit RGB", 1500, 900, 1400, PngLayout{PNG_COLOR_TYPE_RGB, 16}, 0x39fb536fcbedf8f4ull},
        {"interlaced RGBA", 800, 1200, 500, PngLayout{PNG_COLOR_TYPE_RGB_ALPHA, 8, true},
         0x80c130e11f826500ull},
        {"grey and alpha, a strip", 4001, 3, 200, PngLayout{PNG_COLOR_TYPE_GRAY_ALPHA},
         0xb00a7b7d4396772cull},
        {"RGB, a column", 2, 5000, 200, PngLayout{}, 0x1418ee9b12e15a62ull},
        {"RGBA, two halvings", 4000, 2250, 1000, PngLayout{PNG_COLOR_TYPE_RGB_ALPHA},
         0x9acbdb6d3a837951ull},
        {"RGB that fits", 1200, 800, 1400, PngLayout{}, 0xefb636dd4185fe06ull},
        {"JPEG", 2000, 1500, 1400, std::nullopt, 0xf1b194aa52ef4abbull},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = folder.path() / (std::string(c.name) + (c.png ? ".png" : ".jpg"));
        if (c.png)
            writePNG(file, c.width, c.height, *c.png);
        else
            writeJPEG(file, c.width, c.height);

        const auto prepared = ImageEncoder::prepare(file, c.maxEdge);
        ASSERT_EQ(prepared.status, ImageEncoder::Prepared::Status::ready);
        const auto sent = storedPixels(base64Decoded(prepared.base64PNG));
        ASSERT_TRUE(sent);

        const auto whole = Image::load(file);
        ASSERT_TRUE(whole);
        const auto scaled = whole->downscaled(c.maxEdge);
        const auto expected = storedPixels(*(scaled ? *scaled : *whole).encodePNG());
        ASSERT_TRUE(expected);
        EXPECT_EQ(sent->width, expected->width);
        EXPECT_EQ(sent->height, expected->height);
        EXPECT_EQ(sent->channels, expected->channels);
        EXPECT_TRUE(*sent == *expected);
        EXPECT_EQ(sent->hash(), c.hash) << "0x" << std::hex << sent->hash();
    }
}
