#include "model/DownscaledRead.h"

#include "TempLibrary.h"
#include "model/Image.h"
#include "model/RowResampler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

using namespace tavro;
using namespace tavro::test;

namespace {

// Premultiplied pixels with flat runs, edges, noise and every kind of alpha.
Image randomImage(PixelSize size, std::mt19937& random) {
    auto image = Image::create(size);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const uint32_t alpha = random() % 3 == 0 ? random() % 256 : 255;
            auto channel = [&] {
                return (x / 3 + y) % 5 == 0 ? 255 * alpha / 255 : random() % 256 * alpha / 255;
            };
            image->setPixel(x, y, alpha << 24 | channel() << 16 | channel() << 8 | channel());
        }
    return std::move(*image);
}

// Collects the rows a resampler hands on.
class Rows final : public codec::RowSink {
public:
    bool begin(PixelSize size, bool) override {
        size_ = size;
        row_.resize(size_t(size.width));
        return true;
    }
    uint32_t* nextRow() override { return row_.data(); }
    bool rowDone() override {
        words.insert(words.end(), row_.begin(), row_.end());
        return true;
    }

    PixelSize size_;
    std::vector<uint32_t> words;

private:
    std::vector<uint32_t> row_;
};

// The steps Image::scaled() takes, as resamplers one after the other, the source's rows fed one
// by one.
std::vector<uint32_t> resampled(const Image& source, PixelSize to, Rows& rows) {
    const auto steps = scalingSteps(source.size(), to);
    std::vector<std::unique_ptr<RowResampler>> chain;
    codec::RowSink* next = &rows;
    for (size_t i = steps.size(); i-- > 0;) {
        chain.push_back(
            std::make_unique<RowResampler>(i ? steps[i - 1] : source.size(), steps[i], *next));
        next = chain.back().get();
    }
    EXPECT_TRUE(next->begin(source.size(), false));
    for (int y = 0; y < source.height(); ++y) {
        std::memcpy(next->nextRow(), source.view().row(y), size_t(source.width()) * 4);
        EXPECT_TRUE(next->rowDone());
    }
    return rows.words;
}

std::vector<uint32_t> words(const Image& image) {
    std::vector<uint32_t> out;
    for (int y = 0; y < image.height(); ++y)
        out.insert(out.end(), image.view().row(y), image.view().row(y) + image.width());
    return out;
}

// Image's own steps, through cairo: the pixels the resamplers have to match.
std::vector<uint32_t> scaledByCairo(const Image& source, PixelSize to) {
    auto scaled = source.scaled(to);
    return scaled ? words(*scaled) : std::vector<uint32_t>{};
}

} // namespace

TEST(RowResampler, GivesImagesOwnPixelsForEverySize) {
    std::mt19937 random(7);
    std::vector<std::pair<PixelSize, PixelSize>> steps;
    // Every small shape and every smaller size of it: odd sides, single rows and columns, one
    // step or several, no change at all.
    for (int w = 1; w <= 9; ++w)
        for (int h = 1; h <= 9; ++h)
            for (int tw = 1; tw <= w; ++tw)
                for (int th = 1; th <= h; ++th)
                    steps.push_back({{w, h}, {tw, th}});
    // Sizes met on the way down from real screenshots, and scales so near one that cairo samples
    // the nearest pixel instead.
    steps.insert(steps.end(), {{{3024, 1964}, {1512, 982}},
                               {{1512, 982}, {1400, 909}},
                               {{1401, 910}, {1400, 909}},
                               {{1000, 1000}, {999, 1000}},
                               {{1000, 1000}, {999, 999}},
                               {{4001, 3}, {2001, 3}},
                               {{3, 4001}, {3, 2001}},
                               {{2049, 1537}, {1025, 769}}});
    for (int i = 0; i < 60; ++i) {
        const PixelSize from{int(50 + random() % 700), int(50 + random() % 700)};
        const PixelSize to{int(1 + random() % from.width), int(1 + random() % from.height)};
        steps.push_back({from, to});
    }
    for (const auto& [from, to] : steps) {
        SCOPED_TRACE(std::to_string(from.width) + "x" + std::to_string(from.height) + " to " +
                     std::to_string(to.width) + "x" + std::to_string(to.height));
        const auto source = randomImage(from, random);
        Rows rows;
        const auto streamed = resampled(source, to, rows);
        EXPECT_EQ(rows.size_, to);
        ASSERT_EQ(streamed, scaledByCairo(source, to));
    }
}

TEST(RowResampler, HandsOnEachRowOnceItsSourceRowsAreIn) {
    std::mt19937 random(3);
    const auto source = randomImage({300, 400}, random);
    Rows rows;
    RowResampler resampler(source.size(), {150, 200}, rows);
    ASSERT_TRUE(resampler.begin(source.size(), false));
    for (int y = 0; y < 200; ++y) {
        std::memcpy(resampler.nextRow(), source.view().row(y), 300 * 4);
        ASSERT_TRUE(resampler.rowDone());
    }
    // Halving: each pair of source rows makes a target row.
    EXPECT_EQ(rows.words.size(), size_t(150) * 100);
}

TEST(DownscaledRead, ReadsWhatImageLoadsAndScalesFromFilesAndPipes) {
    std::mt19937 random(11);
    TempFolder folder;
    const auto file = folder.path() / "shot.png";
    const auto image = randomImage({1203, 757}, random);
    const auto png = image.encodePNG();
    writeFile(file, std::string(png->begin(), png->end()));
    const auto expected = words(*Image::load(file)->downscaled(300));

    std::unique_ptr<FILE, int (*)(FILE*)> stream(std::fopen(file.c_str(), "rb"), std::fclose);
    auto read = readDownscaled(stream.get(), 300);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), (PixelSize{300, 189}));
    EXPECT_EQ(std::vector<uint32_t>(read->view().row(0), read->view().row(0) + 300 * 189),
              expected);

    // A pipe cannot seek back after the signature; the file is read whole first.
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("cat '" + file.string() + "'").c_str(), "r"),
                                               pclose);
    read = readDownscaled(pipe.get(), 300);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::vector<uint32_t>(read->view().row(0), read->view().row(0) + 300 * 189),
              expected);
}

TEST(DownscaledRead, RefusesWhatImageRefuses) {
    std::mt19937 random(5);
    TempFolder folder;
    const auto png = randomImage({640, 480}, random).encodePNG();
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"cut short", std::string(png->begin(), png->begin() + 2000)},
        {"not an image", "GIF89a and more"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = folder.path() / c.name;
        writeFile(file, c.bytes);
        EXPECT_FALSE(Image::load(file));
        std::unique_ptr<FILE, int (*)(FILE*)> stream(std::fopen(file.c_str(), "rb"), std::fclose);
        EXPECT_FALSE(readDownscaled(stream.get(), 200));
    }
}
