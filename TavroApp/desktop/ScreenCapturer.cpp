#include "desktop/ScreenCapturer.h"

#include "desktop/ScreenGeometry.h"
#include "desktop/X11ScreenGrab.h"
#include "values/CaptureError.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <vector>

namespace tavro::ScreenCapturer {

namespace {

std::vector<QRectF> screenFrames(const QList<QScreen*>& screens) {
    std::vector<QRectF> frames;
    frames.reserve(static_cast<size_t>(screens.size()));
    for (QScreen* screen : screens)
        frames.emplace_back(screen->geometry());
    return frames;
}

QImage captureFullDisplay(QScreen* screen, const PermissionProbe& access) {
    if (!access.screenRecordingGranted())
        throw CaptureError::permissionDenied();
    QImage image = grabScreen(screen);
    if (image.isNull())
        throw CaptureError::captureFailed("the display could not be read");
    return image;
}

// The part of `image` inside `rect`, sharing its pixels: a fresh buffer the size of a large
// screen costs more than the grab itself. Writing to the part copies it first.
QImage view(const QImage& image, const QRect& rect) {
    if (image.depth() % 8 != 0)
        return image.copy(rect);
    auto* owner = new QImage(image);
    const uchar* first = owner->constBits() + qsizetype(rect.y()) * owner->bytesPerLine() +
                         qsizetype(rect.x()) * (owner->depth() / 8);
    QImage part(
        first, rect.width(), rect.height(), owner->bytesPerLine(), owner->format(),
        [](void* info) { delete static_cast<QImage*>(info); }, owner);
    if (part.isNull()) {
        delete owner;
        return image.copy(rect);
    }
    return part;
}

// Where the screen is on the root window, in device pixels: Qt keeps a screen's origin and
// scales its size alone.
QRect devicePixels(QScreen* screen) {
    const QRect frame = screen->geometry();
    return {frame.topLeft(), (QSizeF(frame.size()) * screen->devicePixelRatio()).toSize()};
}

} // namespace

QImage grabScreen(QScreen* screen) {
    if (!screen)
        return {};
    if (auto shared = X11ScreenGrab::grab(devicePixels(screen)))
        return *shared;
    const QRect frame = screen->geometry();
    // Window 0 is the root window, whose coordinates span every screen.
    QImage image =
        screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
    image.setDevicePixelRatio(1);
    return image;
}

QScreen* screenHoldingMostOf(const QRectF& rect) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto frames = screenFrames(screens);
    if (auto index = ScreenGeometry::screenHoldingMostOf(rect, frames))
        return screens[static_cast<qsizetype>(*index)];
    return QGuiApplication::primaryScreen();
}

ScreenCapture captureRegion(const QRectF& rect, const PermissionProbe& access) {
    if (rect.width() < minimumSelection || rect.height() < minimumSelection)
        throw CaptureError::emptySelection();
    QScreen* screen = screenHoldingMostOf(rect);
    if (!screen)
        throw CaptureError::noDisplay();
    if (!access.screenRecordingGranted())
        throw CaptureError::permissionDenied();
    // Only the selection is copied where the server shares memory.
    const QRect pixels = devicePixels(screen);
    const auto crop = ScreenGeometry::cropRect(rect, QRectF(screen->geometry()),
                                               screen->devicePixelRatio(), pixels.size());
    if (!crop)
        throw CaptureError::emptySelection();
    if (auto part = X11ScreenGrab::grab(crop->translated(pixels.topLeft())))
        return {*part, screen};
    return cropRegion(rect, screen, captureFullDisplay(screen, access));
}

ScreenCapture cropRegion(const QRectF& rect, QScreen* screen, const QImage& full) {
    if (rect.width() < minimumSelection || rect.height() < minimumSelection)
        throw CaptureError::emptySelection();
    auto crop = ScreenGeometry::cropRect(rect, QRectF(screen->geometry()),
                                         screen->devicePixelRatio(), full.size());
    if (!crop)
        throw CaptureError::emptySelection();
    QImage image = view(full, *crop);
    if (image.isNull())
        throw CaptureError::emptySelection();
    image.setDevicePixelRatio(1);
    return {image, screen};
}

ScreenCapture captureDisplay(const QPointF& point, const PermissionProbe& access) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto frames = screenFrames(screens);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (auto index = ScreenGeometry::screenContaining(point, frames))
        screen = screens[static_cast<qsizetype>(*index)];
    if (!screen)
        throw CaptureError::noDisplay();
    return {captureFullDisplay(screen, access), screen};
}

} // namespace tavro::ScreenCapturer
