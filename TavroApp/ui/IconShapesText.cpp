#include "ui/IconShapes.h"

#include <QPainter>
#include <QPainterPath>

namespace tavro::IconShapes {

void textAlignleft(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    const double widths[] = {16, 11, 16, 9};
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(4, 6 + i * 4), QPointF(4 + widths[i], 6 + i * 4));
}

void listBullet(QPainter& p, const QColor& c, double w) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (double y : {6.0, 12.0, 18.0})
        p.drawEllipse(QPointF(4.5, y), 1.6 * w, 1.6 * w);
    p.setPen(strokePen(c, 1.9 * w));
    for (double y : {6.0, 12.0, 18.0})
        p.drawLine(QPointF(9, y), QPointF(21, y));
}

void number(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.9 * w));
    p.drawLine(QPointF(9.5, 3.5), QPointF(7.5, 20.5));
    p.drawLine(QPointF(16.5, 3.5), QPointF(14.5, 20.5));
    p.drawLine(QPointF(4.5, 9), QPointF(20.5, 9));
    p.drawLine(QPointF(3.5, 15), QPointF(19.5, 15));
}

void message(QPainter& p, const QColor& c, double w) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(2.5, 3.5, 19, 14), 7, 7);
    QPainterPath tail;
    tail.moveTo(5.5, 14);
    tail.lineTo(4, 21);
    tail.lineTo(11, 16.5);
    tail.closeSubpath();
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawPath(bubble.united(tail).simplified());
}

void bubbleLeftFill(QPainter& p, const QColor& c, double) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(2, 3, 20, 14.5), 5, 5);
    QPainterPath tail;
    tail.moveTo(5, 15);
    tail.lineTo(4.5, 21.5);
    tail.lineTo(11, 16.5);
    tail.closeSubpath();
    p.fillPath(bubble.united(tail), c);
}

void textBubble(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(2.5, 3.5, 19, 14), 3.5, 3.5);
    QPainterPath tail;
    tail.moveTo(6.5, 17);
    tail.lineTo(6.5, 21.5);
    tail.lineTo(11, 17);
    tail.closeSubpath();
    p.drawPath(bubble.united(tail));
    for (double y : {8.0, 12.5})
        p.drawLine(QPointF(7, y), QPointF(y < 10 ? 17 : 14, y));
}

} // namespace tavro::IconShapes
