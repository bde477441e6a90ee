#pragma once

namespace tavro {

// The commands of the menus and the capture shortcuts, carried out by the application's
// composition root.
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
};

} // namespace tavro
