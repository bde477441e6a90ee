#include "ui/IconShapes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tavro::IconShapes {

namespace {

void arrow(QPainter& p, const QColor& c, double w, bool up) {
    p.setPen(strokePen(c, 2.4 * w));
    p.setBrush(Qt::NoBrush);
    const double tip = up ? 4 : 20, tail = up ? 20 : 4, head = up ? 6.5 : -6.5;
    p.drawLine(QPointF(12, tip), QPointF(12, tail));
    p.drawLine(QPointF(12, tip), QPointF(12 - 6.5, tip + head));
    p.drawLine(QPointF(12, tip), QPointF(12 + 6.5, tip + head));
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

} // namespace

void arrowUp(QPainter& p, const QColor& c, double w) {
    arrow(p, c, w, true);
}

void arrowDown(QPainter& p, const QColor& c, double w) {
    arrow(p, c, w, false);
}

void arrowUpRight(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(5, 19), QPointF(18.5, 5.5));
    p.drawPolyline(QPolygonF({QPointF(8.5, 5), QPointF(19, 5), QPointF(19, 15.5)}));
}

void arrowUturnBackward(QPainter& p, const QColor& c, double w) {
    uturn(p, c, w, true);
}

void arrowUturnForward(QPainter& p, const QColor& c, double w) {
    uturn(p, c, w, false);
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

void arrowsOutward(QPainter& p, const QColor& c, double w) {
    diagonalArrows(p, c, w, true);
}

void arrowsInward(QPainter& p, const QColor& c, double w) {
    diagonalArrows(p, c, w, false);
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

void chevronDown(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.drawLine(QPointF(5, 9), QPointF(12, 16));
    p.drawLine(QPointF(12, 16), QPointF(19, 9));
}

void chevronRight(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.drawLine(QPointF(9, 5), QPointF(16, 12));
    p.drawLine(QPointF(16, 12), QPointF(9, 19));
}

void chevronLeft(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2.6 * w));
    p.drawLine(QPointF(15, 5), QPointF(8, 12));
    p.drawLine(QPointF(8, 12), QPointF(15, 19));
}

void chevronLeftForwardslashChevronRight(QPainter& p, const QColor& c, double w) {
    p.setPen(strokePen(c, 2 * w));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(7.5, 7), QPointF(2.5, 12), QPointF(7.5, 17)}));
    p.drawPolyline(QPolygonF({QPointF(16.5, 7), QPointF(21.5, 12), QPointF(16.5, 17)}));
    p.drawLine(QPointF(14, 4.5), QPointF(10, 19.5));
}

} // namespace tavro::IconShapes
