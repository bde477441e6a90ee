#include "model/AnnotationRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tavro;

namespace {

constexpr uint32_t white = 0xFFFFFFFF;
constexpr uint32_t black = 0xFF000000;
constexpr uint32_t red = 0xFFFF3B30;

Image filled(PixelSize size, uint32_t argb) {
    auto image = Image::create(size);
    EXPECT_TRUE(image);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            image->setPixel(x, y, argb);
    return std::move(*image);
}

// A one-pixel checkerboard over a gradient: pixelation wipes out the checks, and neighbouring
// blocks still differ, so block edges can be found.
Image checkerboard(PixelSize size) {
    auto image = filled(size, 0);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const uint32_t check = (x + y) % 2 ? 0xFF0000 : 0;
            image.setPixel(x, y,
                           0xFF000000u | check | uint32_t(x * 255 / size.width) << 8 |
                               uint32_t(y * 255 / size.height));
        }
    return image;
}

AnnotationShape shape(AnnotationTool tool, std::vector<AnnotationPoint> points,
                      double lineWidth = 0.01, std::string color = "#FF3B30") {
    return {"s", tool, std::move(color), lineWidth, std::move(points)};
}

Image render(std::vector<AnnotationShape> shapes, const Image& image) {
    auto result = AnnotationRenderer::render(Annotation{std::move(shapes)}, image);
    EXPECT_TRUE(result);
    return result ? std::move(*result) : filled({1, 1}, 0);
}

int channel(uint32_t argb, int shift) {
    return int((argb >> shift) & 0xFF);
}

bool samePixels(const Image& a, const Image& b, PixelRect area) {
    for (int y = area.y; y < area.y + area.height; ++y)
        for (int x = area.x; x < area.x + area.width; ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

// Positions along a line where the colour changes from one pixel to the next.
std::vector<int> edgesAlongRow(const Image& image, int y, int from, int to) {
    std::vector<int> edges;
    for (int x = from + 1; x < to; ++x)
        if (image.pixel(x, y) != image.pixel(x - 1, y))
            edges.push_back(x);
    return edges;
}

std::vector<int> edgesAlongColumn(const Image& image, int x, int from, int to) {
    std::vector<int> edges;
    for (int y = from + 1; y < to; ++y)
        if (image.pixel(x, y) != image.pixel(x, y - 1))
            edges.push_back(y);
    return edges;
}

void expectBlockEdges(const std::vector<int>& edges, int start, double length, int blocks) {
    ASSERT_EQ(edges.size(), size_t(blocks - 1));
    for (int k = 1; k < blocks; ++k)
        EXPECT_NEAR(edges[k - 1], start + k * length / blocks, 1.0) << "edge " << k;
}

} // namespace

TEST(AnnotationRenderer, EmptyMarkUpGivesNothing) {
    EXPECT_FALSE(AnnotationRenderer::render(Annotation{}, filled({10, 10}, white)));
}

TEST(AnnotationRenderer, BoxEdgeHasTheBoxColourAndTheRestStays) {
    const Image source = filled({400, 300}, white);
    // lineWidth 0.01 of 400 pixels: a 4-pixel stroke centred on each edge.
    const Image out =
        render({shape(AnnotationTool::rectangle, {{0.75, 0.8}, {0.25, 0.2}})}, source);
    EXPECT_EQ(out.size(), source.size());
    EXPECT_EQ(out.pixel(100, 150), red); // left edge
    EXPECT_EQ(out.pixel(200, 60), red);  // top edge, measured from the top
    EXPECT_EQ(out.pixel(200, 240), red); // bottom edge
    EXPECT_EQ(out.pixel(200, 150), white);
    EXPECT_EQ(out.pixel(10, 10), white);
    EXPECT_EQ(out.pixel(200, 57), white);
    EXPECT_EQ(source.pixel(100, 150), white);
}

TEST(AnnotationRenderer, StrokeWidthFollowsTheLargerSide) {
    const Image source = filled({400, 300}, white);
    struct Case {
        double lineWidth;
        int halfWidth; // pixels fully covered on each side of the line's centre
    };
    for (const Case c : {Case{0.01, 2}, Case{0.02, 4}, Case{0.0, 0}}) {
        const Image out =
            render({shape(AnnotationTool::pen, {{0.1, 0.5}, {0.9, 0.5}}, c.lineWidth)}, source);
        // The line runs along y = 150; a width under one pixel still marks it.
        EXPECT_NE(out.pixel(200, 150), white) << c.lineWidth;
        if (c.halfWidth > 0) {
            EXPECT_EQ(out.pixel(200, 150 - c.halfWidth), red) << c.lineWidth;
            EXPECT_EQ(out.pixel(200, 150 + c.halfWidth - 1), red) << c.lineWidth;
        }
        EXPECT_EQ(out.pixel(200, 150 + c.halfWidth + 1), white) << c.lineWidth;
    }
}

TEST(AnnotationRenderer, BlurMakesBlocksOfTheComputedSize) {
    struct Case {
        PixelSize image;
        AnnotationPoint a, b;
        PixelRect area;
        int columns, rows;
    };
    const Case cases[] = {
        // Blocks of 800 / 12 pixels: an 18 x 12 small image.
        {{1200, 800}, {0, 0}, {1, 1}, {0, 0, 1200, 800}, 18, 12},
        // The 4-pixel minimum: 30 / 4 = 7.5 truncates to 7 columns, 5 rows.
        {{300, 200}, {0.2, 0.2}, {0.1, 0.1}, {30, 20, 30, 20}, 7, 5},
        // Enlarged to whole pixels, then clipped to the image.
        {{300, 200}, {0.5005, 0.5005}, {1.5, 1.2}, {150, 100, 150, 100}, 18, 12},
    };
    for (const auto& c : cases) {
        const Image source = checkerboard(c.image);
        const Image out = render({shape(AnnotationTool::blur, {c.a, c.b})}, source);
        const auto& r = c.area;
        for (int row = 0; row < c.rows; ++row) {
            const int y = r.y + int((row + 0.5) * r.height / c.rows);
            expectBlockEdges(edgesAlongRow(out, y, r.x, r.x + r.width), r.x, r.width, c.columns);
        }
        for (int column = 0; column < c.columns; ++column) {
            const int x = r.x + int((column + 0.5) * r.width / c.columns);
            expectBlockEdges(edgesAlongColumn(out, x, r.y, r.y + r.height), r.y, r.height, c.rows);
        }
        // Outside the area nothing moves.
        if (r.x > 0) {
            EXPECT_TRUE(samePixels(out, source, {0, 0, r.x, c.image.height}));
        }
        if (r.y > 0) {
            EXPECT_TRUE(samePixels(out, source, {0, 0, c.image.width, r.y}));
        }
    }
}

TEST(AnnotationRenderer, BlurTooSmallOrOutsideChangesNothing) {
    const Image source = checkerboard({400, 300});
    const std::vector<AnnotationShape> blurs[] = {
        {shape(AnnotationTool::blur, {{0.5, 0.1}, {0.5025, 0.9}})}, // one pixel wide
        {shape(AnnotationTool::blur, {{1.5, 1.5}, {2, 2}})},
        {shape(AnnotationTool::blur, {{-1, 0.2}, {-0.1, 0.8}})},
        {shape(AnnotationTool::blur, {{0.2, 0.2}})},
    };
    for (const auto& shapes : blurs)
        EXPECT_TRUE(samePixels(render(shapes, source), source, {0, 0, 400, 300}));
}

TEST(AnnotationRenderer, BlursCutFromTheSourceAndNeverBlurStrokes) {
    const Image source = checkerboard({400, 300});
    const auto second = shape(AnnotationTool::blur, {{0.25, 0}, {0.75, 1}});
    const Image both = render({shape(AnnotationTool::blur, {{0, 0}, {0.5, 1}}), second}, source);
    const Image alone = render({second}, source);
    EXPECT_TRUE(samePixels(both, alone, {100, 0, 200, 300}));

    // A pen stroke listed before the blur that covers it stays sharp.
    const Image out = render({shape(AnnotationTool::pen, {{0, 0.5}, {1, 0.5}}, 0.01),
                              shape(AnnotationTool::blur, {{0, 0}, {1, 1}})},
                             source);
    EXPECT_EQ(out.pixel(200, 150), red);
    EXPECT_NE(out.pixel(200, 50), source.pixel(200, 50));
}

TEST(AnnotationRenderer, HighlightMultiplies) {
    auto source = filled({200, 100}, white);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            source.setPixel(x, y, black);
    // #0A84FF at alpha 0.38, 8 pixels wide (4 x 0.01 x 200).
    const Image out = render(
        {shape(AnnotationTool::highlight, {{0.05, 0.5}, {0.95, 0.5}}, 0.01, "#0A84FF")}, source);
    const uint32_t overWhite = out.pixel(50, 50);
    const double expected[] = {255 * (0.62 + 0.38 * 0x0A / 255.0),
                               255 * (0.62 + 0.38 * 0x84 / 255.0), 255.0};
    EXPECT_NEAR(channel(overWhite, 16), expected[0], 1.0);
    EXPECT_NEAR(channel(overWhite, 8), expected[1], 1.0);
    EXPECT_NEAR(channel(overWhite, 0), expected[2], 1.0);
    EXPECT_EQ(channel(overWhite, 24), 255);
    EXPECT_EQ(out.pixel(150, 50), black);
    // Butt caps: nothing beyond the end points.
    EXPECT_EQ(out.pixel(8, 50), white);
}

TEST(AnnotationRenderer, ArrowsPointAtTheirLastPoint) {
    const Image source = filled({400, 300}, white);
    // Coinciding points point to the right: the head lies to the left of the point.
    // w = max(0.005 x 400, 1) = 2, so the head is the 14-pixel minimum.
    Image out = render({shape(AnnotationTool::arrow, {{0.5, 0.5}, {0.5, 0.5}}, 0.005)}, source);
    EXPECT_EQ(out.pixel(193, 150), red);
    EXPECT_EQ(out.pixel(208, 150), white);
    EXPECT_EQ(out.pixel(200, 140), white);

    // From (40, 270) towards (320, 60) in the picture: 20 pixels back from the tip and 6 to the
    // side lies inside the head; the same spot measured from the start does not.
    out = render({shape(AnnotationTool::arrow, {{0.1, 0.9}, {0.8, 0.2}}, 0.02)}, source);
    EXPECT_EQ(out.pixel(307, 76), red);
    EXPECT_EQ(out.pixel(59, 262), white);
    EXPECT_EQ(out.pixel(180, 165), red); // the shaft's middle
}

TEST(AnnotationRenderer, DegenerateShapesDoNotStopLaterOnes) {
    const Image source = filled({400, 300}, white);
    const Image out = render(
        {
            shape(AnnotationTool::ellipse, {}),
            shape(AnnotationTool::ellipse, {{0.5, 0.5}, {0.5, 0.5}}),
            shape(AnnotationTool::ellipse, {{0.5, 0.1}, {0.5, 0.3}}),
            shape(AnnotationTool::rectangle, {{0.3, 0.3}}),
            shape(AnnotationTool::pen, {{0.3, 0.3}}),
            shape(AnnotationTool::arrow, {{0.3, 0.3}}),
            shape(AnnotationTool::highlight, {}),
            shape(AnnotationTool::pen, {{1e300, -1e300}, {0.5, 0.5}}, 1e300),
            shape(AnnotationTool::arrow, {{0, 0}, {1e12, 1}}, 0.01, "nonsense"),
            shape(AnnotationTool::blur, {{-1e300, -1e300}, {1e300, 1e300}}),
            shape(AnnotationTool::rectangle, {{0.25, 0.2}, {0.75, 0.8}}, 0.01, "#34C759"),
        },
        source);
    EXPECT_EQ(out.pixel(100, 150), 0xFF34C759u);
    EXPECT_EQ(out.pixel(200, 60), 0xFF34C759u);
}

TEST(AnnotationRenderer, EllipseIsInscribedInItsBox) {
    const Image source = filled({400, 300}, white);
    const Image out = render({shape(AnnotationTool::ellipse, {{0.25, 0.2}, {0.75, 0.8}})}, source);
    EXPECT_EQ(out.pixel(100, 150), red);  // leftmost point
    EXPECT_EQ(out.pixel(200, 60), red);   // topmost point
    EXPECT_EQ(out.pixel(104, 64), white); // the box's corner stays clear
    EXPECT_EQ(out.pixel(200, 150), white);
}

TEST(AnnotationRenderer, ColorFromHex) {
    const RGBAColor fallback{1.0, 0x3B / 255.0, 0x30 / 255.0, 1.0};
    const RGBAColor green{0, 1, 0, 1};
    struct Case {
        const char* text;
        RGBAColor expected;
    };
    const Case cases[] = {
        {"#FF3B30", fallback},
        {"00FF00", green},
        {" #00ff00 ", green},
        {"\t\u00A0#00Ff00\u2003", green},
        {"+00FF00", green},
        {"#0000000000FF00", green}, // leading zeros do not count against 32 bits
        {"#F00", {0, 15 / 255.0, 0, 1}},
        {"#FF3B30CC", {0x3B / 255.0, 0x30 / 255.0, 0xCC / 255.0, 1}},
        {"-0", {0, 0, 0, 1}},
        {"##00FF00", fallback},
        {"", fallback},
        {"#", fallback},
        {"#00GG00", fallback},
        {"#100000000", fallback}, // 2^32
        {"-1", fallback},
        {"+-1", fallback},
        {"\n#00FF00", fallback}, // line breaks are not white space here
        {"# 00FF00", fallback},
        {"0x00FF00", fallback},
    };
    for (const auto& c : cases)
        EXPECT_EQ(colorFromHex(c.text), c.expected) << '"' << c.text << '"';
}

TEST(AnnotationRenderer, BoxWithoutTwoPointsSitsAtTheBottomLeft) {
    const Image source = filled({400, 300}, white);
    for (auto tool : {AnnotationTool::rectangle, AnnotationTool::ellipse}) {
        const Image out = render({shape(tool, {{0.9, 0.1}}, 0.02)}, source);
        EXPECT_EQ(out.pixel(0, 299), red) << rawValue(tool);
        EXPECT_EQ(out.pixel(0, 0), white) << rawValue(tool);
        EXPECT_EQ(out.pixel(360, 30), white) << rawValue(tool);
    }
}
