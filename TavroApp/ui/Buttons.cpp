#include "ui/Buttons.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tavro {

namespace {

constexpr double padX = 14;
constexpr double padY = 7;
constexpr double symbolSize = 11;
constexpr double symbolGap = 5;

QSize paddedText(const QString& text, const QFont& font) {
    const QFontMetricsF metrics(font);
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text) + 2 * padX)),
                 static_cast<int>(std::ceil(metrics.height() + 2 * padY)));
}

QColor faded(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
    return color;
}

void paintLabel(QPainter& painter, const QRectF& rect, const QString& text, const QColor& color) {
    painter.setFont(Theme::Font::headline());
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter, text);
}

} // namespace

PrimaryButton::PrimaryButton(const QString& text, DynamicColor tint, QWidget* parent)
    : QAbstractButton(parent)
    , tint_(tint) {
    setText(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize PrimaryButton::sizeHint() const {
    return paddedText(text(), Theme::Font::headline());
}

void PrimaryButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tint = tint_.resolved(palette());
    painter.setPen(Qt::NoPen);
    // A disabled button (Create with no name yet) shows washed out, so it does not invite a click.
    painter.setBrush(!isEnabled() ? faded(tint, 0.4) : isDown() ? faded(tint, 0.8) : tint);
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
    paintLabel(painter, QRectF(rect()), text(), Qt::white);
}

SecondaryButton::SecondaryButton(const QString& text, QWidget* parent)
    : QAbstractButton(parent) {
    setText(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SecondaryButton::setSymbol(Icon symbol) {
    symbol_ = symbol;
    updateGeometry();
    update();
}

QSize SecondaryButton::sizeHint() const {
    QSize size = paddedText(text(), Theme::Font::headline());
    if (symbol_)
        size.rwidth() += static_cast<int>(symbolSize + symbolGap);
    return size;
}

void SecondaryButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);
    const QColor fill = Theme::surfaceSunken.resolved(palette());
    painter.setBrush(isDown() ? faded(fill, 0.7) : fill);
    painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 10, 10);
    const QColor label = Theme::textSecondary.resolved(palette());
    if (!symbol_) {
        paintLabel(painter, QRectF(rect()), text(), label);
        return;
    }
    const double textWidth = QFontMetricsF(Theme::Font::headline()).horizontalAdvance(text());
    const double left = (width() - symbolSize - symbolGap - textWidth) / 2;
    paintIcon(painter, *symbol_, QRectF(left, (height() - symbolSize) / 2, symbolSize, symbolSize),
              label, 1.2);
    paintLabel(painter, QRectF(left + symbolSize + symbolGap, 0, textWidth + 1, height()), text(),
               label);
}

IconButton::IconButton(Icon icon, int size, QWidget* parent)
    : QAbstractButton(parent)
    , icon_(icon)
    , size_(size) {
    setFixedSize(size, size);
}

void IconButton::setSymbol(Icon icon) {
    icon_ = icon;
    update();
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.35);
    if (isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::surfaceSunken.resolved(palette()));
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
    }
    const double glyph = 12;
    paintIcon(painter, icon_, QRectF((size_ - glyph) / 2, (size_ - glyph) / 2, glyph, glyph),
              Theme::textSecondary.resolved(palette()), 1.2);
}

} // namespace tavro
