#include "ui/Theme.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

struct HexCase {
    const char* text;
    std::uint32_t value;
};

QPalette paletteWith(QColor window, QColor text) {
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

} // namespace

TEST(Theme, ColourTextsParseAsHexWithTheFallback) {
    const HexCase cases[] = {
        {"#6E7BF2", 0x6E7BF2},
        {" 6e7bf2 ", 0x6E7BF2},
        {"\t#6e7bf2\u00A0", 0x6E7BF2},
        {"+6E7BF2", 0x6E7BF2},
        {"#FF0000", 0xFF0000},
        {"#FF112233", 0x112233},
        {"FFF", 0x000FFF},
        {"-0", 0x000000},
        {"#-0", 0x000000},
        {"#FFFFFFFF", 0xFFFFFF},
        // Fallbacks.
        {"", 0x6E7BF2},
        {"#", 0x6E7BF2},
        {"+", 0x6E7BF2},
        {"#GG0000", 0x6E7BF2},
        {"#12345678901", 0x6E7BF2},
        {"#100000000", 0x6E7BF2},
        {"-1", 0x6E7BF2},
        {"##FF0000", 0x6E7BF2},
        {"#FF 0000", 0x6E7BF2},
        {"#FF0000\n", 0x6E7BF2},
        {"0x112233", 0x6E7BF2},
        {"#１２３", 0x6E7BF2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hexColorValue(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(colorFromHexString(QString::fromUtf8(c.text)).rgb() & 0xFFFFFF, c.value)
            << '"' << c.text << '"';
    }
    EXPECT_EQ(colorFromHexString(QStringLiteral("#FF0000")), QColor(255, 0, 0));
    EXPECT_EQ(colorFromHexString(QStringLiteral("#FF0000")).alpha(), 255);
}

TEST(Theme, DynamicColoursResolveByAppearance) {
    EXPECT_EQ(Theme::accent.resolved(Appearance::light), QColor(0x4F, 0x5B, 0xD5));
    EXPECT_EQ(Theme::accent.resolved(Appearance::dark), QColor(0x7C, 0x8B, 0xFF));
    EXPECT_EQ(Theme::accent.resolved(std::nullopt), QColor(0x4F, 0x5B, 0xD5));

    const QPalette dark = paletteWith(QColor(0x20, 0x20, 0x20), Qt::white);
    const QPalette light = paletteWith(Qt::white, Qt::black);
    const QPalette undecided = paletteWith(Qt::gray, Qt::gray);
    EXPECT_EQ(bestAppearanceMatch(dark), Appearance::dark);
    EXPECT_EQ(bestAppearanceMatch(light), Appearance::light);
    EXPECT_EQ(bestAppearanceMatch(undecided), std::nullopt);
    EXPECT_EQ(Theme::surfaceSunken.resolved(dark), QColor(0x0F, 0x10, 0x13));
    EXPECT_EQ(Theme::surfaceSunken.resolved(undecided), QColor(0xF1, 0xF1, 0xF4));

    EXPECT_EQ(Theme::statusArchived, Theme::textTertiary);
}

TEST(Theme, OnImageColoursAreFixed) {
    EXPECT_EQ(Theme::OnImage::tint(TavroStatusToken::open), QColor(0xFB, 0xBF, 0x24));
    EXPECT_EQ(Theme::OnImage::tint(TavroStatusToken::inProgress), QColor(0x60, 0xA5, 0xFA));
    EXPECT_EQ(Theme::OnImage::tint(TavroStatusToken::resolved), QColor(0x34, 0xD3, 0x99));
    EXPECT_EQ(Theme::OnImage::tint(TavroStatusToken::archived), QColor(0xD1, 0xD5, 0xDB));
    EXPECT_EQ(Theme::OnImage::scrim().alpha(), qRound(0.58 * 255));
    EXPECT_EQ(Theme::OnImage::scrim().rgb() & 0xFFFFFF, 0u);
}

TEST(Theme, FontsHaveTheDesignedSizesAndWeights) {
    struct FontCase {
        QFont font;
        int size;
        int weight;
    };
    const FontCase cases[] = {
        {Theme::Font::display(), 22, QFont::DemiBold},  {Theme::Font::title(), 16, QFont::DemiBold},
        {Theme::Font::headline(), 13, QFont::DemiBold}, {Theme::Font::body(), 13, QFont::Normal},
        {Theme::Font::callout(), 12, QFont::Normal},    {Theme::Font::caption(), 11, QFont::Medium},
        {Theme::Font::micro(), 10, QFont::DemiBold},    {Theme::Font::mono(), 11, QFont::Normal},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.font.pixelSize(), c.size);
        EXPECT_EQ(c.font.weight(), c.weight);
    }
}
