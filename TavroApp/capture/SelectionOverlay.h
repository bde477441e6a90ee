#pragma once

#include "desktop/CaptureServices.h"

#include <QPointF>
#include <QRectF>

#include <functional>
#include <optional>

namespace tavro {

// The region selection shown on every screen. It reports exactly one outcome per
// presentation: a rectangle in global logical coordinates, nothing (cancel), or a request for
// the whole screen under the pointer.
class SelectionOverlay {
public:
    using Completion = std::function<void(const std::optional<QRectF>& selection)>;
    using FullScreenRequest = std::function<void(const QPointF& point)>;

    virtual ~SelectionOverlay() = default;

    // Replaces a presentation still showing without calling its callbacks. Where no compositor
    // runs, the overlay takes the pointer and the keyboard at once but shows nothing until
    // freeze(); a selection or a full-screen request made before then is answered after it.
    virtual void present(Completion onComplete, FullScreenRequest onFullScreenRequested) = 0;
    // Freezes the screens as they show now, without the overlay, and shows them dimmed: for once
    // the windows that were leaving the screen are gone and what they covered is drawn again.
    // Nothing for a see-through overlay, or one frozen already.
    virtual void freeze() = 0;
    // Removes the overlay and calls nothing.
    virtual void abandon() = 0;
    // Removes the overlay and delivers `selection` to the completion, once.
    virtual void finish(const std::optional<QRectF>& selection) = 0;

    // Where no compositor runs the overlay shows each screen as it was when it froze: the part
    // of that frozen frame under `selection` is the screenshot, with nothing to wait for or grab
    // again. Nothing when the overlay was see-through, so the screen must be grabbed once it has
    // left. Throws CaptureError for a selection too small to capture.
    virtual std::optional<ScreenShot> frozenShot(const QRectF& selection) const {
        (void)selection;
        return std::nullopt;
    }

    virtual bool isShowing() const = 0;
    // A drag has begun on the overlay.
    virtual bool hasAnchor() const = 0;
};

} // namespace tavro
