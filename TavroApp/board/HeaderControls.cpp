#include "board/HeaderControls.h"

#include "ui/Theme.h"

#include <QPainter>

namespace tavro {

BoardSearchFrame::BoardSearchFrame(QWidget* parent)
    : QWidget(parent) {}

void BoardSearchFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The hairline sits inside the shape, so the fill and the stroke share one outline.
    const QRectF shape = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
    painter.setBrush(Theme::surfaceSunken.resolved(palette()));
    painter.drawRoundedRect(shape, 10, 10);
}

SegmentFrame::SegmentFrame(QWidget* parent)
    : QWidget(parent) {}

void SegmentFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
    painter.setBrush(Theme::surfaceSunken.resolved(palette()));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 6, 6);
}

SegmentButton::SegmentButton(Icon icon, QWidget* parent)
    : QAbstractButton(parent)
    , icon_(icon) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
}

void SegmentButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isChecked()) {
        painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
        painter.setBrush(Theme::surface.resolved(palette()));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 5, 5);
    }
    if (hasFocus()) {
        painter.setPen(QPen(Theme::accent.resolved(palette()), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
    }
    const double glyph = 13;
    const QRectF box((width() - glyph) / 2, (height() - glyph) / 2, glyph, glyph);
    paintIcon(painter, icon_, box,
              (isChecked() ? Theme::textPrimary : Theme::textSecondary).resolved(palette()));
}

} // namespace tavro
