#include "ui/IconShapes.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tavro::IconShapes {

namespace {

QPainterPath shield() {
    QPainterPath path;
    path.moveTo(12, 2);
    path.cubicTo(15, 3.8, 17.5, 4.6, 20.5, 5);
    path.lineTo(20.5, 11.5);
    path.cubicTo(20.5, 16.5, 17, 20, 12, 22);
    path.cubicTo(7, 20, 3.5, 16.5, 3.5, 11.5);
    path.lineTo(3.5, 5);
    path.cubicTo(6.5, 4.6, 9, 3.8, 12, 2);
    path.closeSubpath();
    return path;
}

} // namespace

void circleDotted(QPainter& p, const QColor& c, double w) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int i = 0; i < 12; ++i) {
        const double angle = i * M_PI / 6;
        p.drawEllipse(QPointF(12 + 9 * std::cos(angle), 12 + 9 * std::sin(angle)), 1.3 * w,
                      1.3 * w);
    }
}

void circleLeftHalfFilled(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPie(QRectF(3, 3, 18, 18), 90 * 16, 180 * 16);
}

void checkmarkCircleFill(QPainter& p, const QColor& c, double w) {
    QPainterPath circle;
    circle.addEllipse(QPointF(12, 12), 10, 10);
    QPainterPath check;
    check.moveTo(7, 12.5);
    check.lineTo(10.5, 16);
    check.lineTo(17, 8.5);
    QPainterPathStroker stroker(strokePen(c, 2.4 * w));
    p.fillPath(circle.subtracted(stroker.createStroke(check)), c);
}

void checkmarkCircle(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.6 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    QPainterPath check;
    check.moveTo(7.5, 12.5);
    check.lineTo(10.5, 15.5);
    check.lineTo(16.5, 8.5);
    p.drawPath(check);
}

void checkmark(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath check;
    check.moveTo(4.5, 12.5);
    check.lineTo(9.5, 17.5);
    check.lineTo(19.5, 6.5);
    p.drawPath(check);
}

void xmark(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.drawLine(QPointF(5, 5), QPointF(19, 19));
    p.drawLine(QPointF(19, 5), QPointF(5, 19));
}

void xmarkCircleFill(QPainter& p, const QColor& c, double w) {
    QPainterPath circle;
    circle.addEllipse(QPointF(12, 12), 10, 10);
    QPainterPath cross;
    cross.moveTo(8.5, 8.5);
    cross.lineTo(15.5, 15.5);
    cross.moveTo(15.5, 8.5);
    cross.lineTo(8.5, 15.5);
    QPainterPathStroker stroker(strokePen(c, 2.2 * w));
    p.fillPath(circle.subtracted(stroker.createStroke(cross)), c);
}

void plus(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.2 * w));
    p.drawLine(QPointF(12, 4), QPointF(12, 20));
    p.drawLine(QPointF(4, 12), QPointF(20, 12));
}

void exclamationmarkTriangleFill(QPainter& p, const QColor& c, double) {
    QPainterPath triangle;
    triangle.moveTo(12, 2.5);
    triangle.lineTo(22.5, 21);
    triangle.lineTo(1.5, 21);
    triangle.closeSubpath();
    QPainterPath mark;
    mark.addRoundedRect(QRectF(10.8, 8, 2.4, 7.5), 1.2, 1.2);
    mark.addEllipse(QPointF(12, 18), 1.4, 1.4);
    p.fillPath(triangle.subtracted(mark), c);
}

void checkmarkSealFill(QPainter& p, const QColor& c, double w) {
    QPainterPath seal;
    const int points = 12;
    for (int i = 0; i <= 2 * points; ++i) {
        const double angle = i * M_PI / points;
        const double radius = i % 2 == 0 ? 10.5 : 8.6;
        const QPointF at(12 + radius * std::cos(angle), 12 + radius * std::sin(angle));
        if (i == 0)
            seal.moveTo(at);
        else
            seal.lineTo(at);
    }
    seal.closeSubpath();
    QPainterPath check;
    check.moveTo(7.5, 12.5);
    check.lineTo(10.5, 15.5);
    check.lineTo(16.5, 8.5);
    QPainterPathStroker stroker(strokePen(c, 2.4 * w));
    p.fillPath(seal.subtracted(stroker.createStroke(check)), c);
}

void shieldLefthalfFilled(QPainter& p, const QColor& c, double w) {
    const QPainterPath outline = shield();
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
    QPainterPath left;
    left.addRect(QRectF(0, 0, 12, 24));
    p.fillPath(outline.intersected(left), c);
}

void checkmarkShieldFill(QPainter& p, const QColor& c, double w) {
    QPainterPath check;
    check.moveTo(8, 12);
    check.lineTo(11, 15);
    check.lineTo(16.5, 8.5);
    QPainterPathStroker stroker(strokePen(c, 2.2 * w));
    p.fillPath(shield().subtracted(stroker.createStroke(check)), c);
}

} // namespace tavro::IconShapes
