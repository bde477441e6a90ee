#include "shell/Labels.h"

#include "shell/Theme.h"

#include <QFontMetricsF>
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

} // namespace

KeyHint::KeyHint(const QString& keys, QWidget* parent)
    : QWidget(parent)
    , keys_(keys) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize KeyHint::sizeHint() const {
    const QFontMetricsF metrics(Theme::Font::caption());
    return ceilSize(metrics.horizontalAdvance(keys_) + 10, metrics.height() + 4);
}

void KeyHint::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(QPointF(0, 0), QSizeF(sizeHint()));
    painter.setBrush(Theme::surfaceSunken.resolved(palette()));
    painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
    painter.drawRoundedRect(bounds.adjusted(0.25, 0.25, -0.25, -0.25), 4, 4);
    painter.setFont(Theme::Font::caption());
    painter.setPen(Theme::textTertiary.resolved(palette()));
    painter.drawText(bounds, Qt::AlignCenter, keys_);
}

SectionLabel::SectionLabel(const QString& text, QWidget* parent)
    : QWidget(parent)
    , text_(text.toUpper()) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
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

} // namespace tavro
