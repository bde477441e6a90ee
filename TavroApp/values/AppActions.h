#pragma once

#include <string>

namespace tavro {

// The commands of the menus, the capture shortcuts, the flow and the views, carried out by the
// application's composition root. Each is carried out at once: a caller in the middle of work of
// its own defers the call to a later turn of the event loop.
class AppActions {
public:
    virtual ~AppActions() = default;

    // The region request: the menus, the region shortcut and onboarding's try-capture.
    virtual void captureRegion() = 0;
    // From the menus: never waits for a second press.
    virtual void captureFullScreen() = 0;
    // From the full-screen shortcut: waits for a second press.
    virtual void fullScreenShortcut() = 0;
    virtual void newIssue() = 0;
    virtual void openDashboard() = 0;
    virtual void openSettings() = 0;
    virtual void showOnboarding() = 0;
    virtual void syncNow() = 0;
    virtual void openAccountSettings() = 0;
    // A screenshot taken now and added to the capture on the board.
    virtual void addScreenshot(const std::string& captureID) = 0;
    // The mark-up editor on a screenshot already on the board.
    virtual void annotate(const std::string& screenshotID) = 0;
};

} // namespace tavro
