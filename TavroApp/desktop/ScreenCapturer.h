#pragma once

#include "desktop/PermissionProbe.h"

#include <QImage>
#include <QPointF>
#include <QRectF>

class QScreen;

namespace tavro {

struct ScreenCapture {
    QImage image; // in device pixels
    QScreen* screen = nullptr;
};

// Single-frame grabs of one screen at its device pixel scale. Rectangles and points are in Qt's
// global logical coordinates. X11 cannot leave a window out of a grab: callers hide the app's
// own overlay windows, and let the screen repaint, before they capture. Throws CaptureError.
namespace ScreenCapturer {

inline constexpr double minimumSelection = 4;

ScreenCapture captureRegion(const QRectF& rect, const PermissionProbe& access);
ScreenCapture captureDisplay(const QPointF& point, const PermissionProbe& access);
// The whole of `screen` in device pixels, through shared memory where the X server offers it;
// a null image when the display cannot be read.
QImage grabScreen(QScreen* screen);
// The part of `full`, a grab of the whole of `screen`, under `rect`.
ScreenCapture cropRegion(const QRectF& rect, QScreen* screen, const QImage& full);

// The screen that shows most of `rect`, else the one holding its corner, else the primary one.
QScreen* screenHoldingMostOf(const QRectF& rect);

} // namespace ScreenCapturer

} // namespace tavro
