#pragma once

#include "desktop/CaptureServices.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

namespace tavro {

// The app's windows during a capture flow: hidden at its start, even when one of them is in
// front (the screenshot must not show them), and back at its end, with the focus returned to
// the window that had it.
class FlowWindows {
public:
    static constexpr int returnDelayMs = 120;

    FlowWindows(FlowDesktop& desktop, FlowTimer& timer)
        : desktop_(desktop)
        , timer_(timer) {}

    bool active() const { return active_; }
    // Remembers the window in front and hides the app's own; nothing when already active.
    void begin();
    // The window in front when the flow began.
    const std::optional<ForegroundWindow>& previous() const { return previous_; }
    bool anyHidden() const { return !hidden_.empty(); }
    // The X11 ids of the windows hidden, for waiting until they have left the screen.
    std::vector<std::uint32_t> hiddenIds() const;
    // The X11 ids of the app's frameless panels that are closed but not yet gone, such as the
    // note box the moment it closes for another screenshot.
    static std::vector<std::uint32_t> closedPanels();
    // Shows the hidden windows again without taking the focus and, when `giveFocusBack`, gives
    // the focus back to the window that had it; `context` guards the delayed second try.
    void end(bool giveFocusBack, QObject* context);

private:
    FlowDesktop& desktop_;
    FlowTimer& timer_;
    bool active_ = false;
    // Counts the flows begun, so that a delayed step of one flow can tell that another began.
    std::uint64_t flows_ = 0;
    std::optional<ForegroundWindow> previous_;
    std::vector<QPointer<QWidget>> hidden_;
};

} // namespace tavro
