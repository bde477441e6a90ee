#include "ui/DisclosureButton.h"

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tavro {

namespace {

constexpr double chevron = 9;
constexpr double gap = 6;

} // namespace

DisclosureButton::DisclosureButton(const QString& text, QWidget* parent)
    : QAbstractButton(parent) {
    setText(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize DisclosureButton::sizeHint() const {
    const QFontMetricsF metrics(Theme::Font::callout());
    return QSize(int(std::ceil(chevron + gap + metrics.horizontalAdvance(text()))),
                 int(std::ceil(metrics.height() + 4)));
}

void DisclosureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor color = Theme::textSecondary.resolved(palette());
    paintIcon(painter, isChecked() ? Icon::chevronDown : Icon::chevronRight,
              QRectF(0, (height() - chevron) / 2, chevron, chevron), color, 1.1);
    painter.setFont(Theme::Font::callout());
    painter.setPen(color);
    painter.drawText(QRectF(chevron + gap, 0, width() - chevron - gap, height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text());
}

} // namespace tavro
