#include "ui/IconShapes.h"

#include <QPainter>
#include <QPainterPath>

namespace tavro::IconShapes {

namespace {

QPainterPath sparkle(QPointF centre, double radius) {
    QPainterPath path;
    const double waist = radius * 0.22;
    path.moveTo(centre.x(), centre.y() - radius);
    path.quadTo(centre.x() + waist, centre.y() - waist, centre.x() + radius, centre.y());
    path.quadTo(centre.x() + waist, centre.y() + waist, centre.x(), centre.y() + radius);
    path.quadTo(centre.x() - waist, centre.y() + waist, centre.x() - radius, centre.y());
    path.quadTo(centre.x() - waist, centre.y() - waist, centre.x(), centre.y() - radius);
    return path;
}

} // namespace

void person(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 8), 4, 4);
    QPainterPath shoulders;
    shoulders.moveTo(4, 21);
    shoulders.cubicTo(4, 15, 8, 14, 12, 14);
    shoulders.cubicTo(16, 14, 20, 15, 20, 21);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
}

void personFill(QPainter& p, const QColor& c, double) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(12, 7.5), 4.5, 4.5);
    QPainterPath body;
    body.moveTo(3.5, 21.5);
    body.cubicTo(3.5, 15.5, 7.5, 13.5, 12, 13.5);
    body.cubicTo(16.5, 13.5, 20.5, 15.5, 20.5, 21.5);
    body.closeSubpath();
    p.drawPath(body);
}

void personCropCircle(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.drawEllipse(QPointF(12, 9.5), 3.2, 3.2);
    QPainterPath shoulders;
    shoulders.moveTo(6, 18.5);
    shoulders.cubicTo(7.5, 15.5, 9.5, 14.5, 12, 14.5);
    shoulders.cubicTo(14.5, 14.5, 16.5, 15.5, 18, 18.5);
    p.drawPath(shoulders);
}

void personCropCircleBadgeCheckmark(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath ring;
    ring.addEllipse(QPointF(11, 12), 9, 9);
    QPainterPath badgeArea;
    badgeArea.addEllipse(QPointF(18.5, 18.5), 5.5, 5.5);
    p.drawPath(ring.subtracted(badgeArea));
    p.drawEllipse(QPointF(11, 9.5), 3, 3);
    QPainterPath shoulders;
    shoulders.moveTo(5.2, 18.5);
    shoulders.cubicTo(6.5, 15.5, 9, 14.5, 11, 14.5);
    shoulders.cubicTo(12.5, 14.5, 13.6, 14.8, 14.5, 15.3);
    p.drawPath(shoulders);
    QPainterPath check;
    check.moveTo(16, 18.7);
    check.lineTo(18, 20.7);
    check.lineTo(21.5, 16.5);
    p.drawPath(check);
}

void sparkles(QPainter& p, const QColor& c, double) {
    p.fillPath(sparkle({10, 13}, 8.5), c);
    p.fillPath(sparkle({18.5, 5.5}, 4), c);
    p.fillPath(sparkle({19, 18.5}, 3), c);
}

} // namespace tavro::IconShapes
