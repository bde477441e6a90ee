#include "desktop/CaptureServices.h"

#include "desktop/ScreenCapturer.h"
#include "values/Utf8.h"

#include <QScreen>
#include <QTimer>

namespace tavro {

ScreenShot DisplayScreenGrabber::shotFrom(const ScreenCapture& capture) {
    ScreenShot shot;
    shot.image = capture.image;
    if (capture.screen) {
        shot.displayName = toStdString(capture.screen->name());
        shot.scale = capture.screen->devicePixelRatio();
    }
    return shot;
}

ScreenShot DisplayScreenGrabber::captureRegion(const QRectF& rect) {
    return shotFrom(ScreenCapturer::captureRegion(rect, access_));
}

ScreenShot DisplayScreenGrabber::captureDisplay(const QPointF& point) {
    return shotFrom(ScreenCapturer::captureDisplay(point, access_));
}

void EventLoopTimer::after(int ms, QObject* context, std::function<void()> action) {
    QTimer::singleShot(ms, context, std::move(action));
}

} // namespace tavro
