#pragma once

#include <QColor>
#include <QPen>

class QPainter;

// How each symbol is drawn on the 24 by 24 grid, one function per symbol, named after it; `w`
// thickens the strokes. Icons.cpp puts each in the table of symbols.
namespace tavro::IconShapes {

using Draw = void (*)(QPainter& p, const QColor& c, double w);

inline QPen strokePen(const QColor& color, double width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// Arrows and chevrons (IconShapesArrows.cpp).
void arrowUp(QPainter& p, const QColor& c, double w);
void arrowDown(QPainter& p, const QColor& c, double w);
void arrowUpRight(QPainter& p, const QColor& c, double w);
void arrowUturnBackward(QPainter& p, const QColor& c, double w);
void arrowUturnForward(QPainter& p, const QColor& c, double w);
void arrowUpArrowDown(QPainter& p, const QColor& c, double w);
void arrowsOutward(QPainter& p, const QColor& c, double w);
void arrowsInward(QPainter& p, const QColor& c, double w);
void arrowTriangleBranch(QPainter& p, const QColor& c, double w);
void chevronDown(QPainter& p, const QColor& c, double w);
void chevronRight(QPainter& p, const QColor& c, double w);
void chevronLeft(QPainter& p, const QColor& c, double w);
void chevronLeftForwardslashChevronRight(QPainter& p, const QColor& c, double w);

// Marks of a state or an answer: status circles, checks, crosses, warnings, seals, shields
// (IconShapesMarks.cpp).
void circleDotted(QPainter& p, const QColor& c, double w);
void circleLeftHalfFilled(QPainter& p, const QColor& c, double w);
void checkmarkCircleFill(QPainter& p, const QColor& c, double w);
void checkmarkCircle(QPainter& p, const QColor& c, double w);
void checkmark(QPainter& p, const QColor& c, double w);
void xmark(QPainter& p, const QColor& c, double w);
void xmarkCircleFill(QPainter& p, const QColor& c, double w);
void plus(QPainter& p, const QColor& c, double w);
void exclamationmarkTriangleFill(QPainter& p, const QColor& c, double w);
void checkmarkSealFill(QPainter& p, const QColor& c, double w);
void shieldLefthalfFilled(QPainter& p, const QColor& c, double w);
void checkmarkShieldFill(QPainter& p, const QColor& c, double w);

// People and agents (IconShapesPeople.cpp).
void person(QPainter& p, const QColor& c, double w);
void personFill(QPainter& p, const QColor& c, double w);
void personCropCircle(QPainter& p, const QColor& c, double w);
void personCropCircleBadgeCheckmark(QPainter& p, const QColor& c, double w);
void sparkles(QPainter& p, const QColor& c, double w);

// Tools for capturing, marking up, pointing and searching (IconShapesTools.cpp).
void viewfinder(QPainter& p, const QColor& c, double w);
void pencilTip(QPainter& p, const QColor& c, double w);
void pencilTipCropCircle(QPainter& p, const QColor& c, double w);
void rectangle(QPainter& p, const QColor& c, double w);
void circle(QPainter& p, const QColor& c, double w);
void highlighter(QPainter& p, const QColor& c, double w);
void eyeSlash(QPainter& p, const QColor& c, double w);
void cursorarrowRays(QPainter& p, const QColor& c, double w);
void magnifyingglass(QPainter& p, const QColor& c, double w);

// Things that hold or stand for something: boxes, trays, folders, windows, drives, settings
// (IconShapesThings.cpp).
void archiveboxFill(QPainter& p, const QColor& c, double w);
void archivebox(QPainter& p, const QColor& c, double w);
void trayFull(QPainter& p, const QColor& c, double w);
void folder(QPainter& p, const QColor& c, double w);
void folderBadgePlus(QPainter& p, const QColor& c, double w);
void trash(QPainter& p, const QColor& c, double w);
void docOnDoc(QPainter& p, const QColor& c, double w);
void squareOnSquare(QPainter& p, const QColor& c, double w);
void squareGrid2x2(QPainter& p, const QColor& c, double w);
void macwindow(QPainter& p, const QColor& c, double w);
void terminal(QPainter& p, const QColor& c, double w);
void internaldrive(QPainter& p, const QColor& c, double w);
void link(QPainter& p, const QColor& c, double w);
void gearshape(QPainter& p, const QColor& c, double w);
void command(QPainter& p, const QColor& c, double w);

// Text and speech: lines, lists, numbers, bubbles (IconShapesText.cpp).
void textAlignleft(QPainter& p, const QColor& c, double w);
void listBullet(QPainter& p, const QColor& c, double w);
void number(QPainter& p, const QColor& c, double w);
void message(QPainter& p, const QColor& c, double w);
void bubbleLeftFill(QPainter& p, const QColor& c, double w);
void textBubble(QPainter& p, const QColor& c, double w);

} // namespace tavro::IconShapes
