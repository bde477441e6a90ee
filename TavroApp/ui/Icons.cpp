#include "ui/Icons.h"

#include "ui/SettingsSymbols.h"

#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavro {

namespace {

// Every symbol is drawn on a 24 by 24 grid, then scaled into the rectangle.
constexpr double grid = 24;

QPen strokePen(const QColor& color, double width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

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

void circleDotted(QPainter& p, const QColor& c, double w) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int i = 0; i < 12; ++i) {
        const double angle = i * M_PI / 6;
        p.drawEllipse(QPointF(12 + 9 * std::cos(angle), 12 + 9 * std::sin(angle)), 1.3 * w,
                      1.3 * w);
    }
}

void circleLeftHalf(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPie(QRectF(3, 3, 18, 18), 90 * 16, 180 * 16);
}

void checkmarkCircle(QPainter& p, const QColor& c, double w) {
    QPainterPath circle;
    circle.addEllipse(QPointF(12, 12), 10, 10);
    QPainterPath check;
    check.moveTo(7, 12.5);
    check.lineTo(10.5, 16);
    check.lineTo(17, 8.5);
    QPainterPathStroker stroker(strokePen(c, 2.4 * w));
    p.fillPath(circle.subtracted(stroker.createStroke(check)), c);
}

void archivebox(QPainter& p, const QColor& c, double w) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(2, 4, 20, 5), 1.2, 1.2);
    QPainterPath body;
    body.addRoundedRect(QRectF(3.5, 10, 17, 11), 1.5, 1.5);
    QPainterPath slot;
    slot.addRoundedRect(QRectF(9, 12.5, 6, 2 * w), 1, 1);
    p.drawPath(body.subtracted(slot));
}

void arrow(QPainter& p, const QColor& c, double w, bool up) {
    p.setPen(strokePen(c, 2.4 * w));
    p.setBrush(Qt::NoBrush);
    const double tip = up ? 4 : 20, tail = up ? 20 : 4, head = up ? 6.5 : -6.5;
    p.drawLine(QPointF(12, tip), QPointF(12, tail));
    p.drawLine(QPointF(12, tip), QPointF(12 - 6.5, tip + head));
    p.drawLine(QPointF(12, tip), QPointF(12 + 6.5, tip + head));
}

void xmark(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.drawLine(QPointF(5, 5), QPointF(19, 19));
    p.drawLine(QPointF(19, 5), QPointF(5, 19));
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

void sparkles(QPainter& p, const QColor& c, double) {
    p.fillPath(sparkle({10, 13}, 8.5), c);
    p.fillPath(sparkle({18.5, 5.5}, 4), c);
    p.fillPath(sparkle({19, 18.5}, 3), c);
}

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

// A trunk that forks: one branch up-left, one up-right, each ending in an arrow head.
void arrowTriangleBranch(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath branches;
    branches.moveTo(12, 22);
    branches.lineTo(12, 14);
    branches.cubicTo(12, 10, 6, 9, 6, 4);
    branches.moveTo(12, 14);
    branches.cubicTo(12, 10, 18, 9, 18, 4);
    p.drawPath(branches);
    for (double x : {6.0, 18.0}) {
        p.drawLine(QPointF(x, 3), QPointF(x - 3.5, 6.5));
        p.drawLine(QPointF(x, 3), QPointF(x + 3.5, 6.5));
    }
}

void warningTriangle(QPainter& p, const QColor& c, double) {
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

void chevronDown(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.drawLine(QPointF(5, 9), QPointF(12, 16));
    p.drawLine(QPointF(12, 16), QPointF(19, 9));
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

void magnifyingglass(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.setPen(strokePen(c, 2.8 * w));
    p.drawLine(QPointF(15, 15), QPointF(20.5, 20.5));
}

void arrowUpArrowDown(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(8, 3.5), QPointF(8, 20));
    p.drawLine(QPointF(8, 3.5), QPointF(3.5, 8));
    p.drawLine(QPointF(8, 3.5), QPointF(12.5, 8));
    p.drawLine(QPointF(16, 4), QPointF(16, 20.5));
    p.drawLine(QPointF(16, 20.5), QPointF(11.5, 16));
    p.drawLine(QPointF(16, 20.5), QPointF(20.5, 16));
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

void checkmarkCircleOutline(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.6 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    QPainterPath check;
    check.moveTo(7.5, 12.5);
    check.lineTo(10.5, 15.5);
    check.lineTo(16.5, 8.5);
    p.drawPath(check);
}

void archiveboxOutline(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.6 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 4, 19, 5), 1.2, 1.2);
    p.drawRoundedRect(QRectF(4, 9, 16, 11.5), 1.2, 1.2);
    p.drawLine(QPointF(9.5, 13), QPointF(14.5, 13));
}

void textAlignleft(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    const double widths[] = {16, 11, 16, 9};
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(4, 6 + i * 4), QPointF(4 + widths[i], 6 + i * 4));
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

void checkmark(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath check;
    check.moveTo(4.5, 12.5);
    check.lineTo(9.5, 17.5);
    check.lineTo(19.5, 6.5);
    p.drawPath(check);
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

void arrowUpRight(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(5, 19), QPointF(18.5, 5.5));
    p.drawPolyline(QPolygonF({QPointF(8.5, 5), QPointF(19, 5), QPointF(19, 15.5)}));
}

void rectangleIcon(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 5, 19, 14), 2.5, 2.5);
}

void circleIcon(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9, 9);
}

void highlighterIcon(QPainter& p, const QColor& c, double w) {
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

void uturn(QPainter& p, const QColor& c, double w, bool backward) {
    p.save();
    if (!backward) {
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(5, 9);
    path.lineTo(15, 9);
    path.cubicTo(22, 9, 22, 20, 15, 20);
    path.lineTo(10, 20);
    p.drawPath(path);
    p.drawPolyline(QPolygonF({QPointF(9, 4.5), QPointF(4.5, 9), QPointF(9, 13.5)}));
    p.restore();
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

void plus(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.2 * w));
    p.drawLine(QPointF(12, 4), QPointF(12, 20));
    p.drawLine(QPointF(4, 12), QPointF(20, 12));
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

void personBadgeCheckmark(QPainter& p, const QColor& c, double w) {
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

void squareGrid(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.7 * w));
    p.setBrush(Qt::NoBrush);
    for (double x : {3.5, 13.5})
        for (double y : {3.5, 13.5})
            p.drawRoundedRect(QRectF(x, y, 7, 7), 1.8, 1.8);
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

void chevronLeft(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.drawLine(QPointF(15, 5), QPointF(8, 12));
    p.drawLine(QPointF(8, 12), QPointF(15, 19));
}

// Two diagonal arrows, pointing out to the corners or in towards the centre.
void diagonalArrows(QPainter& p, const QColor& c, double w, bool outward) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4, 4), QPointF(10.5, 10.5));
    p.drawLine(QPointF(20, 20), QPointF(13.5, 13.5));
    if (outward) {
        p.drawPolyline(QPolygonF({QPointF(4, 10), QPointF(4, 4), QPointF(10, 4)}));
        p.drawPolyline(QPolygonF({QPointF(20, 14), QPointF(20, 20), QPointF(14, 20)}));
    } else {
        p.drawPolyline(QPolygonF({QPointF(10.5, 5), QPointF(10.5, 10.5), QPointF(5, 10.5)}));
        p.drawPolyline(QPolygonF({QPointF(13.5, 19), QPointF(13.5, 13.5), QPointF(19, 13.5)}));
    }
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

void number(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.9 * w));
    p.drawLine(QPointF(9.5, 3.5), QPointF(7.5, 20.5));
    p.drawLine(QPointF(16.5, 3.5), QPointF(14.5, 20.5));
    p.drawLine(QPointF(4.5, 9), QPointF(20.5, 9));
    p.drawLine(QPointF(3.5, 15), QPointF(19.5, 15));
}

void terminal(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 1.8 * w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 4, 19, 16), 3, 3);
    p.drawPolyline(QPolygonF({QPointF(6.5, 9), QPointF(10, 12), QPointF(6.5, 15)}));
    p.drawLine(QPointF(12, 15.5), QPointF(17, 15.5));
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

void chevronsSlash(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(7.5, 7), QPointF(2.5, 12), QPointF(7.5, 17)}));
    p.drawPolyline(QPolygonF({QPointF(16.5, 7), QPointF(21.5, 12), QPointF(16.5, 17)}));
    p.drawLine(QPointF(14, 4.5), QPointF(10, 19.5));
}

void chevronRight(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.drawLine(QPointF(9, 5), QPointF(16, 12));
    p.drawLine(QPointF(16, 12), QPointF(9, 19));
}

} // namespace

std::optional<Icon> iconNamed(std::string_view name) {
    static constexpr std::pair<std::string_view, Icon> names[] = {
        {"viewfinder", Icon::viewfinder},
        {"circle.dotted", Icon::circleDotted},
        {"circle.lefthalf.filled", Icon::circleLeftHalfFilled},
        {"checkmark.circle.fill", Icon::checkmarkCircleFill},
        {"archivebox.fill", Icon::archiveboxFill},
        {"person", Icon::person},
        {"plus", Icon::plus},
        {"pencil.tip", Icon::pencilTip},
        {"tray.full", Icon::trayFull},
        {"person.crop.circle.badge.checkmark", Icon::personCropCircleBadgeCheckmark},
        {"square.grid.2x2", Icon::squareGrid2x2},
        {"folder", Icon::folder},
        {"number", Icon::number},
        {"magnifyingglass", Icon::magnifyingglass},
        {"checkmark.circle", Icon::checkmarkCircle},
        {"archivebox", Icon::archivebox},
        {"text.alignleft", Icon::textAlignleft},
        {"square.on.square", Icon::squareOnSquare},
        {"bubble.left.fill", Icon::bubbleLeftFill},
        {"checkmark", Icon::checkmark},
        {"trash", Icon::trash},
        {"arrow.up.arrow.down", Icon::arrowUpArrowDown},
        {"list.bullet", Icon::listBullet},
        {"xmark.circle.fill", Icon::xmarkCircleFill},
        {"terminal", Icon::terminal},
        {"message", Icon::message},
        {"cursorarrow.rays", Icon::cursorarrowRays},
        {"chevron.left.forwardslash.chevron.right", Icon::chevronLeftForwardslashChevronRight},
        {"chevron.right", Icon::chevronRight},
        {"gearshape", Icon::gearshape},
        {"person.crop.circle", Icon::personCropCircle},
        {"command", Icon::command},
        {"sparkles", Icon::sparkles},
        {"internaldrive", Icon::internaldrive},
        {"shield.lefthalf.filled", Icon::shieldLefthalfFilled},
        {"checkmark.shield.fill", Icon::checkmarkShieldFill},
        {"text.bubble", Icon::textBubble},
        {"exclamationmark.triangle.fill", Icon::exclamationmarkTriangleFill},
        {"chevron.left", Icon::chevronLeft},
        {"arrow.up.left.and.arrow.down.right", Icon::arrowsOutward},
        {"arrow.down.right.and.arrow.up.left", Icon::arrowsInward},
        {"doc.on.doc", Icon::docOnDoc},
        {"checkmark.seal.fill", Icon::checkmarkSealFill},
        {"pencil.tip.crop.circle", Icon::pencilTipCropCircle},
        {"person.fill", Icon::personFill},
        {"arrow.triangle.branch", Icon::arrowTriangleBranch},
    };
    for (const auto& [known, icon] : names)
        if (known == name)
            return icon;
    return std::nullopt;
}

static void drawIcon(QPainter& painter, Icon icon, const QRectF& rect, const QColor& color,
                     double weight) {
    const double side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / grid, side / grid);
    switch (icon) {
    case Icon::viewfinder:
        viewfinder(painter, color, weight);
        break;
    case Icon::circleDotted:
        circleDotted(painter, color, weight);
        break;
    case Icon::circleLeftHalfFilled:
        circleLeftHalf(painter, color, weight);
        break;
    case Icon::checkmarkCircleFill:
        checkmarkCircle(painter, color, weight);
        break;
    case Icon::archiveboxFill:
        archivebox(painter, color, weight);
        break;
    case Icon::arrowUp:
        arrow(painter, color, weight, true);
        break;
    case Icon::arrowDown:
        arrow(painter, color, weight, false);
        break;
    case Icon::xmark:
        xmark(painter, color, weight);
        break;
    case Icon::macwindow:
        macwindow(painter, color, weight);
        break;
    case Icon::sparkles:
        sparkles(painter, color, weight);
        break;
    case Icon::person:
        person(painter, color, weight);
        break;
    case Icon::exclamationmarkTriangleFill:
        warningTriangle(painter, color, weight);
        break;
    case Icon::link:
        link(painter, color, weight);
        break;
    case Icon::chevronDown:
        chevronDown(painter, color, weight);
        break;
    case Icon::folderBadgePlus:
        folderBadgePlus(painter, color, weight);
        break;
    case Icon::magnifyingglass:
        magnifyingglass(painter, color, weight);
        break;
    case Icon::checkmarkCircle:
        checkmarkCircleOutline(painter, color, weight);
        break;
    case Icon::archivebox:
        archiveboxOutline(painter, color, weight);
        break;
    case Icon::textAlignleft:
        textAlignleft(painter, color, weight);
        break;
    case Icon::squareOnSquare:
        squareOnSquare(painter, color, weight);
        break;
    case Icon::bubbleLeftFill:
        bubbleLeftFill(painter, color, weight);
        break;
    case Icon::checkmark:
        checkmark(painter, color, weight);
        break;
    case Icon::arrowUpArrowDown:
        arrowUpArrowDown(painter, color, weight);
        break;
    case Icon::listBullet:
        listBullet(painter, color, weight);
        break;
    case Icon::xmarkCircleFill:
        xmarkCircleFill(painter, color, weight);
        break;
    case Icon::terminal:
        terminal(painter, color, weight);
        break;
    case Icon::message:
        message(painter, color, weight);
        break;
    case Icon::cursorarrowRays:
        cursorarrowRays(painter, color, weight);
        break;
    case Icon::chevronLeftForwardslashChevronRight:
        chevronsSlash(painter, color, weight);
        break;
    case Icon::chevronRight:
        chevronRight(painter, color, weight);
        break;
    case Icon::pencilTip:
        pencilTip(painter, color, weight);
        break;
    case Icon::arrowUpRight:
        arrowUpRight(painter, color, weight);
        break;
    case Icon::rectangle:
        rectangleIcon(painter, color, weight);
        break;
    case Icon::circle:
        circleIcon(painter, color, weight);
        break;
    case Icon::highlighter:
        highlighterIcon(painter, color, weight);
        break;
    case Icon::eyeSlash:
        eyeSlash(painter, color, weight);
        break;
    case Icon::arrowUturnBackward:
        uturn(painter, color, weight, true);
        break;
    case Icon::arrowUturnForward:
        uturn(painter, color, weight, false);
        break;
    case Icon::trash:
        trash(painter, color, weight);
        break;
    case Icon::plus:
        plus(painter, color, weight);
        break;
    case Icon::trayFull:
        trayFull(painter, color, weight);
        break;
    case Icon::personCropCircleBadgeCheckmark:
        personBadgeCheckmark(painter, color, weight);
        break;
    case Icon::squareGrid2x2:
        squareGrid(painter, color, weight);
        break;
    case Icon::folder:
        folder(painter, color, weight);
        break;
    case Icon::number:
        number(painter, color, weight);
        break;
    case Icon::gearshape:
        SettingsSymbols::gearshape(painter, color, weight);
        break;
    case Icon::personCropCircle:
        SettingsSymbols::personCropCircle(painter, color, weight);
        break;
    case Icon::command:
        SettingsSymbols::command(painter, color, weight);
        break;
    case Icon::internaldrive:
        SettingsSymbols::internaldrive(painter, color, weight);
        break;
    case Icon::shieldLefthalfFilled:
        SettingsSymbols::shieldLefthalfFilled(painter, color, weight);
        break;
    case Icon::checkmarkShieldFill:
        SettingsSymbols::checkmarkShieldFill(painter, color, weight);
        break;
    case Icon::textBubble:
        SettingsSymbols::textBubble(painter, color, weight);
        break;
    case Icon::chevronLeft:
        chevronLeft(painter, color, weight);
        break;
    case Icon::arrowsOutward:
        diagonalArrows(painter, color, weight, true);
        break;
    case Icon::arrowsInward:
        diagonalArrows(painter, color, weight, false);
        break;
    case Icon::docOnDoc:
        docOnDoc(painter, color, weight);
        break;
    case Icon::checkmarkSealFill:
        checkmarkSealFill(painter, color, weight);
        break;
    case Icon::pencilTipCropCircle:
        pencilTipCropCircle(painter, color, weight);
        break;
    case Icon::personFill:
        personFill(painter, color, weight);
        break;
    case Icon::arrowTriangleBranch:
        arrowTriangleBranch(painter, color, weight);
        break;
    }
    painter.restore();
}

namespace {

// Drawn symbols by kind, colour, size, weight and pixel ratio. A board paints the same few
// dozen on every card; their paths (some with boolean operations) cost far more than a copy.
// The GUI thread paints; nothing else touches it.
QImage cachedIcon(Icon icon, const QColor& color, double side, double weight, double ratio) {
    static QHash<QString, QImage> cache;
    const QString key = QString::number(int(icon)) + u'/' + QString::number(color.rgba()) + u'/' +
                        QString::number(side) + u'/' + QString::number(weight) + u'/' +
                        QString::number(ratio);
    if (auto hit = cache.constFind(key); hit != cache.constEnd())
        return *hit;
    const int pixels = int(std::ceil(side * ratio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawIcon(painter, icon, QRectF(0, 0, side, side), color, weight);
    painter.end();
    if (cache.size() >= 512)
        cache.clear();
    cache.insert(key, image);
    return image;
}

} // namespace

void paintIcon(QPainter& painter, Icon icon, const QRectF& rect, const QColor& color,
               double weight) {
    const double side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    const QPaintDevice* device = painter.device();
    // Only a plain offset keeps a cached picture as sharp as drawing the paths.
    if (!device || painter.worldTransform().type() > QTransform::TxTranslate) {
        drawIcon(painter, icon, rect, color, weight);
        return;
    }
    const QPointF origin(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.drawImage(origin, cachedIcon(icon, color, side, weight, device->devicePixelRatioF()));
}

QIcon iconImage(Icon icon, const QColor& color, int size) {
    QIcon result;
    for (double ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(size, size) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintIcon(painter, icon, QRectF(0, 0, size, size), color);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace tavro
