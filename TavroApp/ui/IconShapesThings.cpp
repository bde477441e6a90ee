#include "ui/IconShapes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <utility>

namespace tavro::IconShapes {

void archiveboxFill(QPainter& p, const QColor& c, double w) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(2, 4, 20, 5), 1.2, 1.2);
    QPainterPath body;
    body.addRoundedRect(QRectF(3.5, 10, 17, 11), 1.5, 1.5);
    QPainterPath slot;
    slot.addRoundedRect(QRectF(9, 12.5, 6, 2 * w), 1, 1);
    p.drawPath(body.subtracted(slot));
}

void archivebox(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.6 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 4, 19, 5), 1.2, 1.2);
    p.drawRoundedRect(QRectF(4, 9, 16, 11.5), 1.2, 1.2);
    p.drawLine(QPointF(9.5, 13), QPointF(14.5, 13));
}

void trayFull(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath tray;
    tray.moveTo(2.5, 13);
    tray.lineTo(8, 13);
    tray.lineTo(9.5, 16);
    tray.lineTo(14.5, 16);
    tray.lineTo(16, 13);
    tray.lineTo(21.5, 13);
    tray.lineTo(21.5, 19);
    tray.quadTo(21.5, 21, 19.5, 21);
    tray.lineTo(4.5, 21);
    tray.quadTo(2.5, 21, 2.5, 19);
    tray.closeSubpath();
    p.drawPath(tray);
    p.drawLine(QPointF(2.5, 13), QPointF(5, 4.5));
    p.drawLine(QPointF(21.5, 13), QPointF(19, 4.5));
    p.drawLine(QPointF(5, 4.5), QPointF(19, 4.5));
    p.drawLine(QPointF(7.5, 8), QPointF(16.5, 8));
    p.drawLine(QPointF(6.8, 10.8), QPointF(17.2, 10.8));
}

void folder(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath shape;
    shape.moveTo(2.5, 7);
    shape.quadTo(2.5, 4.5, 5, 4.5);
    shape.lineTo(9, 4.5);
    shape.lineTo(11, 7);
    shape.lineTo(19, 7);
    shape.quadTo(21.5, 7, 21.5, 9.5);
    shape.lineTo(21.5, 17.5);
    shape.quadTo(21.5, 20, 19, 20);
    shape.lineTo(5, 20);
    shape.quadTo(2.5, 20, 2.5, 17.5);
    shape.closeSubpath();
    p.drawPath(shape);
    p.drawLine(QPointF(2.5, 10), QPointF(21.5, 10));
}

void folderBadgePlus(QPainter& p, const QColor& c, double w) {
    // One open outline, left open at the bottom right where the plus sits.
    QPainterPath folder;
    folder.moveTo(12, 19);
    folder.lineTo(2, 19);
    folder.lineTo(2, 6);
    folder.lineTo(9, 6);
    folder.lineTo(11, 8);
    folder.lineTo(20, 8);
    folder.lineTo(20, 11);
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawPath(folder);
    p.drawLine(QPointF(18, 13), QPointF(18, 21));
    p.drawLine(QPointF(14, 17), QPointF(22, 17));
}

void trash(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(3.5, 6), QPointF(20.5, 6));
    p.drawPolyline(QPolygonF({QPointF(9, 6), QPointF(9, 3.5), QPointF(15, 3.5), QPointF(15, 6)}));
    QPainterPath can;
    can.moveTo(5.5, 6);
    can.lineTo(6.8, 20.5);
    can.lineTo(17.2, 20.5);
    can.lineTo(18.5, 6);
    p.drawPath(can);
    p.drawLine(QPointF(10, 10), QPointF(10, 17));
    p.drawLine(QPointF(14, 10), QPointF(14, 17));
}

void docOnDoc(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(8.5, 7, 12, 15), 2, 2);
    p.drawPolyline(QPolygonF(
        {QPointF(15.5, 4.5), QPointF(15.5, 2), QPointF(3.5, 2), QPointF(3.5, 17), QPointF(6, 17)}));
    for (double y : {11.5, 14.5, 17.5})
        p.drawLine(QPointF(11.5, y), QPointF(17.5, y));
}

void squareOnSquare(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(8, 8, 13, 13), 2.5, 2.5);
    QPainterPath back;
    back.moveTo(16, 5);
    back.lineTo(16, 4.5);
    back.quadTo(16, 3, 14.5, 3);
    back.lineTo(4.5, 3);
    back.quadTo(3, 3, 3, 4.5);
    back.lineTo(3, 14.5);
    back.quadTo(3, 16, 4.5, 16);
    back.lineTo(5, 16);
    p.drawPath(back);
}

void squareGrid2x2(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    for (double x : {3.5, 13.5})
        for (double y : {3.5, 13.5})
            p.drawRoundedRect(QRectF(x, y, 7, 7), 1.8, 1.8);
}

void macwindow(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.6 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 4, 19, 16), 2.5, 2.5);
    p.drawLine(QPointF(2.5, 8.5), QPointF(21.5, 8.5));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (double x : {5.5, 8.5, 11.5})
        p.drawEllipse(QPointF(x, 6.25), 0.9, 0.9);
}

void terminal(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 4, 19, 16), 3, 3);
    p.drawPolyline(QPolygonF({QPointF(6.5, 9), QPointF(10, 12), QPointF(6.5, 15)}));
    p.drawLine(QPointF(12, 15.5), QPointF(17, 15.5));
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

void link(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.2 * w));
    p.setBrush(Qt::NoBrush);
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    p.drawRoundedRect(QRectF(-10, -3.5, 11, 7), 3.5, 3.5);
    p.drawRoundedRect(QRectF(-1, -3.5, 11, 7), 3.5, 3.5);
    p.restore();
}

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

void command(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    const double a = 9, b = 15, r = 3;
    // The middle square; each of its corners runs out into a loop.
    p.drawRect(QRectF(a, a, b - a, b - a));
    for (auto [x, y] : {std::pair{a - r, a - r}, {b + r, a - r}, {a - r, b + r}, {b + r, b + r}})
        p.drawEllipse(QPointF(x, y), r, r);
}

} // namespace tavro::IconShapes
