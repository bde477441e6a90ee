#include "compose/SidewaysWheel.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include <cstdlib>

namespace tavro {

namespace {

int dominant(QPoint delta) {
    return std::abs(delta.y()) >= std::abs(delta.x()) ? delta.y() : delta.x();
}

} // namespace

int sidewaysWheelPixels(QPoint pixelDelta, QPoint angleDelta, int singleStep,
                        int wheelScrollLines) {
    if (!pixelDelta.isNull())
        return dominant(pixelDelta);
    // One notch is 120 eighths of a degree, and scrolls the desktop's lines per notch.
    return dominant(angleDelta) * singleStep * wheelScrollLines / 120;
}

bool turnWheelSideways(QScrollBar& bar, const QWheelEvent& event) {
    const int step = sidewaysWheelPixels(event.pixelDelta(), event.angleDelta(), bar.singleStep(),
                                         QApplication::wheelScrollLines());
    if (step == 0)
        return false;
    bar.setValue(bar.value() - step);
    return true;
}

} // namespace tavro
