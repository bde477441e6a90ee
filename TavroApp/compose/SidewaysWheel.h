#pragma once

#include <QPoint>

class QScrollBar;
class QWheelEvent;

namespace tavro {

// How far a wheel turn moves a strip that scrolls only sideways, in pixels to subtract from its
// horizontal position. A mouse wheel turns only one way, with or without Shift, so either axis
// moves the strip; a precise (pixel) delta wins over the angle, and a slanted trackpad swipe
// follows its larger part.
int sidewaysWheelPixels(QPoint pixelDelta, QPoint angleDelta, int singleStep, int wheelScrollLines);

// Moves `bar` by the event's turn; false when the event moves it nowhere.
bool turnWheelSideways(QScrollBar& bar, const QWheelEvent& event);

} // namespace tavro
