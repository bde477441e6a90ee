#include "ImageEncoder.h"

#include "TempLibrary.h"
#include "model/Image.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

using namespace tavro;
using namespace tavro::test;

namespace {

Image opaque(int width, int height) {
    auto image = Image::create({width, height});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->setPixel(x, y, 0xFF000000u | uint32_t((x * 7 + y) & 0xFFFFFF));
    return std::move(*image);
}

std::vector<uint8_t> base64Decoded(const std::string& text) {
    std::vector<uint8_t> out(text.size() / 4 * 3);
    int length = EVP_DecodeBlock(out.data(), reinterpret_cast<const uint8_t*>(text.data()),
                                 int(text.size()));
    out.resize(size_t(std::max(length, 0)));
    // The decoder counts padding as zero bytes.
    for (auto it = text.rbegin(); it != text.rend() && *it == '='; ++it)
        out.pop_back();
    return out;
}

} // namespace

TEST(ImageEncoder, DownscalesToTheLongestEdgeAndNeverEnlarges) {
    struct Case {
        int width, height, maxEdge;
        PixelSize expected;
    };
    const Case cases[] = {
        {3024, 1964, 1400, {1400, 909}}, {1000, 600, 1400, {1000, 600}},
        {1400, 700, 1400, {1400, 700}},  {10000, 3, 200, {200, 1}},
        {3, 10000, 200, {1, 200}},       {500, 500, 0, {500, 500}},
        {500, 500, -5, {500, 500}},      {320, 200, 1400, {320, 200}},
    };
    TempFolder folder;
    const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const auto file = folder.path() / "shot.png";
        const auto png = opaque(c.width, c.height).encodePNG();
        writeFile(file, std::string(png->begin(), png->end()));
        const auto prepared = ImageEncoder::prepare(file, c.maxEdge);
        ASSERT_EQ(prepared.status, ImageEncoder::Prepared::Status::ready);
        const auto sent = base64Decoded(prepared.base64PNG);
        ASSERT_GE(sent.size(), 8u);
        EXPECT_TRUE(std::equal(signature, signature + 8, sent.begin()));
        const auto decoded = Image::decode(sent);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->size(), c.expected);
    }
}

TEST(ImageEncoder, Base64IsStandardWithoutLineBreaks) {
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"\xFB\xFF", "+/8="}, {std::string(100, 'a'), std::string(132, '?')}};
    for (const auto& c : cases) {
        auto text = ImageEncoder::base64(
            {reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()});
        if (c.text.find('?') == std::string::npos) {
            EXPECT_EQ(text, c.text);
        }
        EXPECT_EQ(text.size(), 4 * ((c.bytes.size() + 2) / 3));
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_EQ(base64Decoded(text), std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
    }
}

TEST(ImageEncoder, PreparesAFileForAnAgent) {
    TempFolder folder;
    auto file = folder.path() / "shot.png";
    auto png = opaque(3024, 1964).encodePNG();
    writeFile(file, std::string(png->begin(), png->end()));
    auto prepared = ImageEncoder::prepare(file, 1400);
    ASSERT_EQ(prepared.status, ImageEncoder::Prepared::Status::ready);
    auto decoded = Image::decode(base64Decoded(prepared.base64PNG));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), (PixelSize{1400, 909}));

    writeFile(folder.path() / "broken.png", std::string(png->begin(), png->begin() + 100));
    EXPECT_EQ(ImageEncoder::prepare(folder.path() / "broken.png", 1400).status,
              ImageEncoder::Prepared::Status::unreadable);
    EXPECT_EQ(ImageEncoder::prepare(folder.path() / "missing.png", 1400).status,
              ImageEncoder::Prepared::Status::unreadable);
}
