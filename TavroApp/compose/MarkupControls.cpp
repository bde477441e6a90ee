#include "compose/MarkupControls.h"

#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QPainter>

namespace tavro {

Icon markupToolIcon(AnnotationTool tool) {
    switch (tool) {
    case AnnotationTool::pen:
        return Icon::pencilTip;
    case AnnotationTool::arrow:
        return Icon::arrowUpRight;
    case AnnotationTool::rectangle:
        return Icon::rectangle;
    case AnnotationTool::ellipse:
        return Icon::circle;
    case AnnotationTool::highlight:
        return Icon::highlighter;
    case AnnotationTool::blur:
        return Icon::eyeSlash;
    }
    return Icon::pencilTip;
}

MarkupToolButton::MarkupToolButton(AnnotationTool tool, QWidget* parent)
    : QAbstractButton(parent)
    , tool_(tool) {
    setCheckable(true);
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    const QString name = toQString(displayName(tool));
    setToolTip(name);
    setAccessibleName(name);
}

void MarkupToolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor symbol = Theme::textSecondary.resolved(palette());
    if (isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::accent.resolved(palette()));
        painter.drawRoundedRect(QRectF(rect()), 7, 7);
        symbol = Qt::white;
    }
    const double glyph = 14;
    paintIcon(painter, markupToolIcon(tool_),
              QRectF((width() - glyph) / 2, (height() - glyph) / 2, glyph, glyph), symbol, 1.15);
}

MarkupSwatchButton::MarkupSwatchButton(const QString& colorHex, QWidget* parent)
    : QAbstractButton(parent)
    , colorHex_(colorHex) {
    setCheckable(true);
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setToolTip(colorHex);
    setAccessibleName(colorHex);
}

void MarkupSwatchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
    painter.setBrush(colorFromHexString(colorHex_));
    painter.drawEllipse(centre, 8, 8);
    if (isChecked()) {
        // A 2-point ring 3 points outside the dot.
        painter.setPen(QPen(Theme::textPrimary.resolved(palette()), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, 12, 12);
    }
}

MarkupWidthButton::MarkupWidthButton(const QString& label, QWidget* parent)
    : QAbstractButton(parent) {
    setText(label);
    setCheckable(true);
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(label);
}

void MarkupWidthButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor label = Theme::textTertiary.resolved(palette());
    if (isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::surface.resolved(palette()));
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
        label = Theme::textPrimary.resolved(palette());
    }
    painter.setFont(Theme::Font::caption());
    painter.setPen(label);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace tavro
