#include "ui/SettingsSymbols.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tavro::SettingsSymbols {

namespace {

QPen strokePen(const QColor& color, double width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

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

void gearshape(QPainter& p, const QColor& c, double w) {
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = (i - 0.5) * M_PI / teeth, a1 = (i + 0.5) * M_PI / teeth;
        const double r = i % 2 == 0 ? 10 : 7.8;
        const QPointF from(12 + r * std::cos(a0), 12 + r * std::sin(a0));
        const QPointF to(12 + r * std::cos(a1), 12 + r * std::sin(a1));
        if (i == 0)
            gear.moveTo(from);
        else
            gear.lineTo(from);
        gear.lineTo(to);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(12, 12), 3.2 * w, 3.2 * w);
    p.fillPath(gear.subtracted(hole), c);
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

void command(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    const double a = 9, b = 15, r = 3;
    // The middle square; each of its corners runs out into a loop.
    p.drawRect(QRectF(a, a, b - a, b - a));
    for (auto [x, y] : {std::pair{a - r, a - r}, {b + r, a - r}, {a - r, b + r}, {b + r, b + r}})
        p.drawEllipse(QPointF(x, y), r, r);
}

void internaldrive(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 7, 19, 10), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(17.5, 12), 1.3, 1.3);
    p.drawRoundedRect(QRectF(5.5, 11.2, 7, 1.6), 0.8, 0.8);
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

} // namespace tavro::SettingsSymbols
