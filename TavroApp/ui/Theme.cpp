#include "ui/Theme.h"

#include "model/HexColor.h"
#include "values/Utf8.h"

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

QFont systemFont(int size, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(size);
    font.setWeight(weight);
    return font;
}

} // namespace

std::uint32_t hexColorValue(std::string_view text) {
    return tavro::hexColorValue(text, fallbackHexColor);
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
