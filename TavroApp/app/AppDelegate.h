#pragma once

#include "capture/CaptureController.h"
#include "capture/HotkeyManager.h"
#include "values/AppActions.h"
#include "values/AppRequest.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

namespace tavro {

class Account;
class AnnotationEditorWindowController;
class ExitKeeper;
class Library;
class PermissionProbe;
class PermissionsService;
class Preferences;
class ShellMenus;
class ThumbnailLoader;

// What the composition root builds before launch and hands to the delegate.
struct AppServices {
    Preferences& preferences;
    PermissionsService& permissions;
    ThumbnailLoader& thumbnails;
    // The flow's platform services, with the flow's own mark-up editor.
    CaptureController::Services capture;
    // The editor for screenshots already on the board.
    AnnotationEditorWindowController& editor;
    // The desktop's global keys, and what tells whether the app may read every key.
    HotkeyRegistrar& hotkeyRegistrar;
    KeyEventSource& keyEvents;
    const PermissionProbe& permissionProbe;
};

// The long-lived objects the composition root builds over the open library, in that order; the
// delegate owns them from start() on and lets them go in the opposite order.
struct AppParts {
    std::unique_ptr<Library> library;
    std::unique_ptr<Account> account;
    std::unique_ptr<CaptureController> capture;
};

// Owns the three windows and the menus, and is the one door from requests (shortcuts, menus,
// onboarding, the command line, a second start) to the capture flow.
class AppDelegate final : public QObject, public AppActions {
    Q_OBJECT

public:
    static constexpr int tryCaptureDelayMs = 350;

    explicit AppDelegate(AppServices services, QObject* parent = nullptr);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Start-up over the parts built. A start that carries a request opens no window of its own:
    // the request's context is the window in front, and the board must not be in its screenshot.
    void start(AppParts parts, bool openStartWindow = true);
    void handle(const AppRequest& request);
    // A start with no request while running: shows the board when no window is visible.
    void reopen();

    void showBoard();
    void showSettings();
    void showOnboarding() override;
    // The alert shown when the library cannot be opened, before the app quits.
    static void presentFatal(const std::string& description);
    void presentMarkupEditor(const std::string& imageID);

    // The menu actions, and the two shortcuts.
    void captureRegion() override {
        handle({AppRequest::Kind::captureRegion, AppRequest::Source::menu});
    }
    void captureFullScreen() override {
        handle({AppRequest::Kind::captureFullScreen, AppRequest::Source::menu});
    }
    void fullScreenShortcut() override {
        handle({AppRequest::Kind::captureFullScreen, AppRequest::Source::shortcut});
    }
    void newIssue() override { handle({AppRequest::Kind::newIssue, AppRequest::Source::menu}); }
    void openDashboard() override { showBoard(); }
    void openSettings() override { showSettings(); }
    void syncNow() override;
    void openAccountSettings() override;
    void addScreenshot(const std::string& captureID) override;
    void annotate(const std::string& screenshotID) override;

    Library* library() const { return library_.get(); }
    Account* account() const { return account_.get(); }
    CaptureController* captureController() const { return captureController_.get(); }
    HotkeyManager& hotkeys() { return hotkeys_; }
    ShellMenus* menus() const { return menus_.get(); }
    QWidget* boardWindow() const { return boardWindow_; }
    QWidget* settingsWindow() const { return settingsWindow_; }
    QWidget* onboardingWindow() const { return onboardingWindow_; }

private:
    // What is typed and not stored yet goes to the library: the note box's capture and the
    // detail pane's note. When the app quits, and when the process ends from inside the loop.
    void keepUnsavedWork();
    void setUpMenus();
    QWidget* makeWindow(QWidget* content, const QString& title, QSize size);
    void bringForward(QWidget* window);

    AppServices services_;
    HotkeyManager hotkeys_;
    std::unique_ptr<Library> library_;
    std::unique_ptr<Account> account_;
    std::unique_ptr<CaptureController> captureController_;
    std::unique_ptr<ShellMenus> menus_;
    std::unique_ptr<ExitKeeper> exitKeeper_;
    QPointer<QWidget> boardWindow_;
    QPointer<QWidget> settingsWindow_;
    QPointer<QWidget> onboardingWindow_;
};

} // namespace tavro
