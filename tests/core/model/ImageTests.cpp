#include "model/Image.h"

#include "ProcessRunner.h"
#include "TempLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace tavro;
using tavro::test::ProcessRunner;

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

Image filled(PixelSize size, uint32_t argb) {
    auto image = Image::create(size);
    EXPECT_TRUE(image);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            image->setPixel(x, y, argb);
    return std::move(*image);
}

// Every pixel different, so a misplaced row or column shows.
Image gradient(PixelSize size) {
    auto image = filled(size, 0);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            image.setPixel(x, y,
                           0xFF000000u | uint32_t(x * 255 / size.width) << 16 |
                               uint32_t(y * 255 / size.height) << 8 | uint32_t((x + y) % 256));
    return image;
}

bool samePixels(const Image& a, const Image& b) {
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

int channelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

// ImageMagick writes the flavours of PNG and JPEG our own encoders never produce.
std::vector<uint8_t> convert(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/convert");
    const auto result = ProcessRunner::run(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return bytesOf(result.out);
}

} // namespace

TEST(Image, DownscaleRule) {
    struct Case {
        PixelSize size;
        int maxEdge;
        std::optional<PixelSize> expected;
    };
    const Case cases[] = {
        {{3024, 1964}, 1400, PixelSize{1400, 909}},
        {{1964, 3024}, 1400, PixelSize{909, 1400}},
        {{1000, 600}, 1400, std::nullopt},
        {{1400, 700}, 1400, std::nullopt},
        {{10000, 3}, 200, PixelSize{200, 1}},
        {{3, 2}, 2, PixelSize{2, 1}}, // 1.333 rounds down
        {{4, 3}, 2, PixelSize{2, 2}}, // 1.5 rounds away from zero
        {{3024, 1964}, 0, std::nullopt},
        {{3024, 1964}, -5, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(downscaledSize(c.size, c.maxEdge), c.expected)
            << c.size.width << "x" << c.size.height << " at " << c.maxEdge;
}

TEST(Image, DownscalesEncodesAndDecodes) {
    const Image screenshot = filled({3024, 1964}, 0xFF2060A0);
    auto small = screenshot.downscaled(1400);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->size(), (PixelSize{1400, 909}));
    // Edges keep their colour instead of fading into the transparent outside.
    for (auto [x, y] : {std::pair{0, 0}, {1399, 908}, {700, 0}, {0, 454}, {700, 454}})
        EXPECT_EQ(small->pixel(x, y), 0xFF2060A0u) << x << "," << y;
    EXPECT_FALSE(filled({1000, 600}, 0xFF000000).downscaled(1400));

    const auto png = small->encodePNG();
    ASSERT_TRUE(png);
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png->begin()));
    const auto decoded = Image::decode(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), (PixelSize{1400, 909}));
}

TEST(Image, DownscaleAveragesEverySourcePixel) {
    // One-pixel lines every 8 pixels; shrunk 8 times, each pixel is 1/8 line. A plain
    // bilinear sample would see a line in some pixels and none in the others.
    Image lines = filled({800, 80}, 0xFFFFFFFF);
    for (int y = 0; y < 80; ++y)
        for (int x = 3; x < 800; x += 8)
            lines.setPixel(x, y, 0xFF000000);
    const auto small = lines.downscaled(100);
    ASSERT_TRUE(small);
    ASSERT_EQ(small->size(), (PixelSize{100, 10}));
    for (int y = 1; y < 9; ++y)
        for (int x = 1; x < 99; ++x)
            ASSERT_LE(channelDistance(small->pixel(x, y), 0xFFDFDFDF), 3) << x << "," << y;
}

TEST(Image, PNGRoundTripsPixels) {
    const Image opaque = gradient({37, 23});
    auto decoded = Image::decode(*opaque.encodePNG());
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(samePixels(*decoded, opaque));

    // Premultiplied pixels survive the straight-alpha file form.
    Image translucent = gradient({5, 4});
    translucent.setPixel(0, 0, 0x00000000);
    translucent.setPixel(1, 0, 0x80402000);
    translucent.setPixel(2, 0, 0x01010000);
    translucent.setPixel(3, 0, 0xC0C08040);
    decoded = Image::decode(*translucent.encodePNG());
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(samePixels(*decoded, translucent));
}

TEST(Image, JPEGRoundTripsApproximately) {
    const Image picture = filled({64, 48}, 0xFF3080C0);
    const auto jpeg = picture.encodeJPEG(0.82);
    ASSERT_TRUE(jpeg);
    ASSERT_GE(jpeg->size(), 3u);
    EXPECT_EQ((*jpeg)[0], 0xFF);
    EXPECT_EQ((*jpeg)[1], 0xD8);
    const auto decoded = Image::decode(*jpeg);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), picture.size());
    EXPECT_LE(channelDistance(decoded->pixel(31, 20), 0xFF3080C0), 3);
    EXPECT_GT(picture.encodeJPEG(1.0)->size(), picture.encodeJPEG(0.1)->size());
    EXPECT_FALSE(picture.encodeJPEG(std::nan("")));
}

TEST(Image, DecodesEveryPNGFlavour) {
    struct Case {
        std::vector<std::string> arguments;
        int bitDepth;
        int colorType;
        uint32_t expected;
    };
    const Case cases[] = {
        {{"xc:#FF8000", "PNG24:-"}, 8, 2, 0xFFFF8000},
        {{"xc:#FF8000", "-depth", "16", "PNG48:-"}, 16, 2, 0xFFFF8000},
        {{"xc:#00FF0080", "-depth", "16", "PNG64:-"}, 16, 6, 0x80008000},
        {{"xc:#00FF0080", "PNG32:-"}, 8, 6, 0x80008000},
        {{"xc:#404040", "-define", "png:color-type=0", "-depth", "8", "PNG:-"}, 8, 0, 0xFF404040},
        {{"xc:#404040", "-define", "png:color-type=0", "-define", "png:bit-depth=16", "PNG:-"},
         16,
         0,
         0xFF404040},
        {{"pattern:gray50", "-define", "png:color-type=0", "-define", "png:bit-depth=1", "PNG:-"},
         1,
         0,
         0xFF000000},
        {{"xc:#40404080", "-define", "png:color-type=4", "-depth", "8", "PNG:-"}, 8, 4, 0x80202020},
        {{"xc:#00FF00", "PNG8:-"}, 8, 3, 0xFF00FF00},
        {{"xc:none", "PNG8:-"}, 8, 3, 0x00000000},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"-size", "5x3"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto png = convert(arguments);
        ASSERT_GT(png.size(), 26u);
        const std::string label = c.arguments.front() + " " + c.arguments.back();
        ASSERT_EQ(png[24], c.bitDepth) << label;
        ASSERT_EQ(png[25], c.colorType) << label;
        const auto image = Image::decode(png);
        ASSERT_TRUE(image) << label;
        EXPECT_EQ(image->size(), (PixelSize{5, 3})) << label;
        EXPECT_LE(channelDistance(image->pixel(4, 2), c.expected), 1) << label;
    }

    // Interlaced files take another path through the decoder; both must agree, translucent
    // pixels included.
    for (const std::string format : {"PNG24:-", "PNG32:-"}) {
        const std::string gradient = "gradient:rgba(255,0,0,0.3)-rgba(0,0,255,0.9)";
        const auto plain = Image::decode(convert({"-size", "13x9", gradient, format}));
        const auto interlaced =
            Image::decode(convert({"-size", "13x9", gradient, "-interlace", "PNG", format}));
        ASSERT_TRUE(plain && interlaced) << format;
        EXPECT_TRUE(samePixels(*plain, *interlaced)) << format;
        EXPECT_EQ(plain->isOpaque(), format == "PNG24:-") << format;
    }
}

TEST(Image, DecodesEveryJPEGFlavour) {
    struct Case {
        std::vector<std::string> arguments;
        uint32_t expected;
    };
    const Case cases[] = {
        {{"xc:#3080C0", "JPG:-"}, 0xFF3080C0},
        {{"xc:#3080C0", "-interlace", "JPEG", "JPG:-"}, 0xFF3080C0},
        {{"xc:#808080", "-colorspace", "Gray", "JPG:-"}, 0xFF808080},
        {{"xc:#3080C0", "-colorspace", "CMYK", "JPG:-"}, 0xFF3080C0},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"-size", "24x16", "-quality", "95"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto image = Image::decode(convert(arguments));
        const std::string label = c.arguments[1];
        ASSERT_TRUE(image) << label;
        EXPECT_EQ(image->size(), (PixelSize{24, 16})) << label;
        EXPECT_LE(channelDistance(image->pixel(12, 8), c.expected), 4) << label;
    }
}

TEST(Image, RefusesBrokenAndHostileData) {
    const Image picture = gradient({40, 30});
    const auto png = *picture.encodePNG();
    const auto jpeg = *picture.encodeJPEG(0.9);

    std::vector<std::vector<uint8_t>> broken = {
        {},
        {0x89, 'P', 'N', 'G'},
        bytesOf("GIF89a......"),
        bytesOf("not an image at all"),
        {png.begin(), png.begin() + png.size() / 2},
        {png.begin(), png.begin() + 40},
        {jpeg.begin(), jpeg.begin() + jpeg.size() / 2},
        {jpeg.begin(), jpeg.begin() + 3},
        // A header that claims 65535 x 65535 pixels and nothing after it.
        {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00,
         0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00,
         0xFF, 0xFF, 0x08, 0x02, 0x00, 0x00, 0x00, 0x39, 0x67, 0x4E, 0x07},
    };
    for (size_t i = 0; i < broken.size(); ++i)
        EXPECT_FALSE(Image::decode(broken[i])) << "case " << i;

    // Damage anywhere must never crash; whether a result comes back depends on where it hits.
    for (const auto* original : {&png, &jpeg}) {
        for (size_t at = 2; at < original->size(); at += 3) {
            auto damaged = *original;
            damaged[at] ^= 0x5A;
            (void)Image::decode(damaged);
        }
    }
}

TEST(Image, RefusesSizesBeyondTheLimits) {
    EXPECT_FALSE(Image::create({0, 10}));
    EXPECT_FALSE(Image::create({10, -1}));
    EXPECT_FALSE(Image::create({Image::maxSide + 1, 1}));
    EXPECT_FALSE(Image::create({8193, 8193}));
    EXPECT_TRUE(Image::create({Image::maxSide, 1}));
}

TEST(Image, LoadsFilesByContent) {
    tavro::test::TempFolder folder;
    const Image picture = gradient({9, 7});
    const auto png = *picture.encodePNG();
    const auto jpeg = *picture.encodeJPEG(0.82);
    // Names do not decide the format.
    tavro::test::writeFile(folder.path() / "shot.jpg", std::string(png.begin(), png.end()));
    tavro::test::writeFile(folder.path() / "thumb.png", std::string(jpeg.begin(), jpeg.end()));
    tavro::test::writeFile(folder.path() / "cut.png", std::string(png.begin(), png.end() - 30));
    tavro::test::writeFile(folder.path() / "empty.png", "");

    const auto loaded = Image::load(folder.path() / "shot.jpg");
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(samePixels(*loaded, picture));
    EXPECT_EQ(Image::load(folder.path() / "thumb.png")->size(), picture.size());
    EXPECT_FALSE(Image::load(folder.path() / "cut.png"));
    EXPECT_FALSE(Image::load(folder.path() / "empty.png"));
    EXPECT_FALSE(Image::load(folder.path() / "missing.png"));
    EXPECT_FALSE(Image::load(folder.path()));

    // A file that cannot seek (a pipe) is read whole.
    const auto pipe = folder.path() / "pipe.png";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { tavro::test::writeFile(pipe, std::string(png.begin(), png.end())); });
    const auto piped = Image::load(pipe);
    writer.join();
    ASSERT_TRUE(piped);
    EXPECT_TRUE(samePixels(*piped, picture));
}

TEST(Image, CropsAndCopies) {
    const Image picture = gradient({20, 10});
    const auto part = picture.cropped({5, 2, 10, 6});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->size(), (PixelSize{10, 6}));
    EXPECT_EQ(part->pixel(0, 0), picture.pixel(5, 2));
    EXPECT_EQ(part->pixel(9, 5), picture.pixel(14, 7));
    for (PixelRect outside : {PixelRect{15, 0, 6, 1}, {0, 0, 0, 5}, {-1, 0, 3, 3}, {0, 9, 1, 2}})
        EXPECT_FALSE(picture.cropped(outside));

    auto copy = picture.copy();
    ASSERT_TRUE(copy);
    copy->setPixel(0, 0, 0);
    EXPECT_NE(picture.pixel(0, 0), 0u);
}

TEST(Image, LargeImagesStartTransparentAndCopy) {
    // Over 32 MiB of pixels, where memory comes straight from the kernel.
    auto large = Image::create({4096, 2100});
    ASSERT_TRUE(large);
    EXPECT_EQ(large->pixel(0, 0), 0u);
    EXPECT_EQ(large->pixel(4095, 2099), 0u);
    large->setPixel(4095, 2099, 0xFF102030);
    const auto copy = large->copy();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->pixel(4095, 2099), 0xFF102030u);
    EXPECT_EQ(copy->pixel(2000, 1000), 0u);
}
