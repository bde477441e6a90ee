#include "shell/Theme.h"

#include "model/Text.h"
#include "shell/Utf8.h"

#include <QFontDatabase>

namespace tavro {

std::optional<Appearance> bestAppearanceMatch(const QPalette& palette) {
    const int window = palette.color(QPalette::Window).lightness();
    const int text = palette.color(QPalette::WindowText).lightness();
    if (window < text)
        return Appearance::dark;
    if (window > text)
        return Appearance::light;
    return std::nullopt;
}

QColor colorFromRGB(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<int>((rgb >> 16) & 0xFF),
                           static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>(rgb & 0xFF));
}

QColor DynamicColor::resolved(std::optional<Appearance> appearance) const {
    return colorFromRGB(appearance == Appearance::dark ? dark : light);
}

namespace {

constexpr std::uint32_t fallbackHexColor = 0x6E7BF2;

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// An unsigned 32-bit number in base 16 with an optional sign; "-0" is the only negative that
// reads (as 0).
std::optional<std::uint32_t> parseUnsignedHex(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    if (negative && value != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

QFont systemFont(int size, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

} // namespace

std::uint32_t hexColorValue(std::string_view text) {
    std::string trimmed = text::trimmed(text, text::Whitespace::Horizontal);
    std::string_view digits = trimmed;
    if (digits.starts_with('#'))
        digits.remove_prefix(1);
    return parseUnsignedHex(digits).value_or(fallbackHexColor) & 0xFFFFFF;
}

QColor colorFromHexString(const QString& text) {
    return colorFromRGB(hexColorValue(toStdString(text)));
}

namespace Theme {

namespace OnImage {

QColor scrim() {
    return QColor::fromRgbF(0, 0, 0, 0.58f);
}
QColor label() {
    return colorFromRGB(0xFFFFFF);
}
QColor priorityHigh() {
    return colorFromRGB(0xFB7185);
}
QColor priorityLow() {
    return colorFromRGB(0xCBD5E1);
}

QColor tint(TavroStatusToken token) {
    switch (token) {
    case TavroStatusToken::open:
        return colorFromRGB(0xFBBF24);
    case TavroStatusToken::inProgress:
        return colorFromRGB(0x60A5FA);
    case TavroStatusToken::resolved:
        return colorFromRGB(0x34D399);
    case TavroStatusToken::archived:
        break;
    }
    return colorFromRGB(0xD1D5DB);
}

} // namespace OnImage

namespace Font {

QFont display() {
    return systemFont(22, QFont::DemiBold);
}
QFont title() {
    return systemFont(16, QFont::DemiBold);
}
QFont headline() {
    return systemFont(13, QFont::DemiBold);
}
QFont body() {
    return systemFont(13, QFont::Normal);
}
QFont callout() {
    return systemFont(12, QFont::Normal);
}
QFont caption() {
    return systemFont(11, QFont::Medium);
}
QFont micro() {
    return systemFont(10, QFont::DemiBold);
}

QFont mono() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace Font

} // namespace Theme

} // namespace tavro
