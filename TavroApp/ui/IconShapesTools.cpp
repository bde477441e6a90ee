#include "ui/IconShapes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>

namespace tavro::IconShapes {

void viewfinder(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    const double a = 3, b = 21, l = 6;
    for (auto [x, y, dx, dy] :
         {std::array<double, 4>{a, a, 1, 1}, {b, a, -1, 1}, {a, b, 1, -1}, {b, b, -1, -1}}) {
        p.drawLine(QPointF(x, y), QPointF(x + dx * l, y));
        p.drawLine(QPointF(x, y), QPointF(x, y + dy * l));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
}

void pencilTip(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath body;
    body.moveTo(16.5, 3.5);
    body.lineTo(20.5, 7.5);
    body.lineTo(8.5, 19.5);
    body.lineTo(3.5, 20.5);
    body.lineTo(4.5, 15.5);
    body.closeSubpath();
    p.drawPath(body);
    p.drawLine(QPointF(14, 6), QPointF(18, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath tip;
    tip.moveTo(3.5, 20.5);
    tip.lineTo(4.2, 17.2);
    tip.lineTo(6.8, 19.8);
    tip.closeSubpath();
    p.drawPath(tip);
}

void pencilTipCropCircle(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 10, 10);
    p.save();
    p.translate(6.2, 6.2);
    p.scale(0.48, 0.48);
    pencilTip(p, c, w * 1.6);
    p.restore();
}

void rectangle(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 5, 19, 14), 2.5, 2.5);
}

void circle(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9, 9);
}

void highlighter(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath body;
    body.moveTo(15, 3);
    body.lineTo(21, 9);
    body.lineTo(12, 18);
    body.lineTo(6, 12);
    body.closeSubpath();
    p.drawPath(body);
    QPainterPath nib;
    nib.moveTo(6, 12);
    nib.lineTo(12, 18);
    nib.lineTo(9, 21);
    nib.lineTo(3, 21);
    nib.lineTo(3, 15);
    nib.closeSubpath();
    p.drawPath(nib);
}

void eyeSlash(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath eye;
    eye.moveTo(2, 12);
    eye.cubicTo(6, 5, 18, 5, 22, 12);
    eye.cubicTo(18, 19, 6, 19, 2, 12);
    p.drawPath(eye);
    p.drawEllipse(QPointF(12, 12), 3.2, 3.2);
    p.drawLine(QPointF(4, 3.5), QPointF(20, 20.5));
}

void cursorarrowRays(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(
        QPolygonF({QPointF(10, 10), QPointF(10, 21.5), QPointF(13, 18.5), QPointF(15.3, 22.5),
                   QPointF(17.3, 21.5), QPointF(15.2, 17.6), QPointF(19.5, 17.2)}));
    for (auto [x1, y1, x2, y2] : {std::array<double, 4>{10, 2, 10, 5.5},
                                  {2, 10, 5.5, 10},
                                  {4.3, 4.3, 6.6, 6.6},
                                  {15.7, 4.3, 13.4, 6.6},
                                  {4.3, 15.7, 6.6, 13.4}})
        p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void magnifyingglass(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.setPen(strokePen(c, 2.8 * w));
    p.drawLine(QPointF(15, 15), QPointF(20.5, 20.5));
}

} // namespace tavro::IconShapes
