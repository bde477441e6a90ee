#include "ui/Labels.h"

#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>

#include <cmath>

namespace tavro {

namespace {

QFont sectionFont() {
    QFont font = Theme::Font::micro();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    return font;
}

QSize ceilSize(double width, double height) {
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height)));
}

// Fonts draw ␣ and ⎋ thin and low: alone in a cap at the caption's size and colour they all but
// vanish, so they get the body's size, bold, in the primary colour.
bool isFaintGlyph(const QString& keys) {
    return keys == QStringLiteral("\u2423") || keys == QStringLiteral("\u238B");
}

QFont keyFont(const QString& keys) {
    if (!isFaintGlyph(keys))
        return Theme::Font::caption();
    QFont font = Theme::Font::body();
    font.setBold(true);
    return font;
}

} // namespace

KeyHint::KeyHint(const QString& keys, QWidget* parent)
    : QWidget(parent)
    , keys_(keys) {
    setAccessibleName(keys);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void KeyHint::setKeys(const QString& keys) {
    keys_ = keys;
    setAccessibleName(keys);
    updateGeometry();
    update();
}

QSize KeyHint::sizeHint() const {
    const QFontMetricsF metrics(keyFont(keys_));
    const QFontMetricsF caption(Theme::Font::caption());
    return ceilSize(metrics.horizontalAdvance(keys_) + 10, caption.height() + 4);
}

void KeyHint::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(QPointF(0, 0), QSizeF(sizeHint()));
    painter.setBrush(Theme::surfaceSunken.resolved(palette()));
    painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
    painter.drawRoundedRect(bounds.adjusted(0.25, 0.25, -0.25, -0.25), 4, 4);
    const QFont font = keyFont(keys_);
    painter.setFont(font);
    if (!isFaintGlyph(keys_)) {
        painter.setPen(Theme::textTertiary.resolved(palette()));
        painter.drawText(bounds, Qt::AlignCenter, keys_);
        return;
    }
    // Centred by its ink: ␣ sits on the baseline, far below the middle of the line.
    painter.setPen(Theme::textPrimary.resolved(palette()));
    const QRectF ink = QFontMetricsF(font).tightBoundingRect(keys_);
    painter.drawText(bounds.center() - ink.center(), keys_);
}

SectionLabel::SectionLabel(const QString& text, QWidget* parent)
    : QWidget(parent)
    , text_(text.toUpper()) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void SectionLabel::setText(const QString& text) {
    if (text.toUpper() == text_)
        return;
    text_ = text.toUpper();
    updateGeometry();
    update();
}

QSize SectionLabel::sizeHint() const {
    const QFontMetricsF metrics(sectionFont());
    return ceilSize(metrics.horizontalAdvance(text_), metrics.height());
}

void SectionLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(sectionFont());
    painter.setPen(Theme::textTertiary.resolved(palette()));
    painter.drawText(QRectF(rect()), Qt::AlignVCenter | Qt::AlignLeft, text_);
}

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QLabel* themedLabel(const QString& text, const QFont& font, DynamicColor color, QWidget* parent) {
    auto* label = plainLabel(text, parent);
    label->setFont(font);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, color.resolved(colours));
    label->setPalette(colours);
    return label;
}

ElidedLabel::ElidedLabel(const QString& text, DynamicColor color, QWidget* parent,
                         Qt::TextElideMode mode)
    : QWidget(parent)
    , text_(text)
    , color_(color)
    , mode_(mode) {
    setFont(Theme::Font::caption());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void ElidedLabel::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    return ceilSize(metrics.horizontalAdvance(text_), metrics.height());
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetricsF metrics(font());
    return ceilSize(metrics.horizontalAdvance(QStringLiteral("…")), metrics.height());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_.resolved(palette()));
    const QString shown = QFontMetricsF(font()).elidedText(text_, mode_, width());
    painter.drawText(QRectF(rect()), Qt::AlignVCenter | Qt::AlignLeft, shown);
}

} // namespace tavro
