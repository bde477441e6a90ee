#pragma once

#include "capture/CaptureController.h"
#include "shell/AppRequest.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

namespace tavro {

class Account;
class AnnotationEditorWindowController;
class CaptureStore;
class Library;
class NotificationCenter;
class PermissionsService;
class Preferences;
class ThumbnailLoader;

// What the composition root builds before launch and hands to the delegate.
struct AppServices {
    Preferences& preferences;
    PermissionsService& permissions;
    ThumbnailLoader& thumbnails;
    NotificationCenter& notifications;
    // The flow's platform services, with the flow's own mark-up editor.
    CaptureController::Services capture;
    // The editor for screenshots already on the board.
    AnnotationEditorWindowController& editor;
};

// Opens the library (or stops with the fatal alert), creates the long-lived objects in order,
// owns the three windows, and is the one door from requests (shortcuts, menus, onboarding,
// the command line, a second start) to the capture flow.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    static constexpr int tryCaptureDelayMs = 350;

    explicit AppDelegate(AppServices services, QObject* parent = nullptr);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Start-up. False when the library could not be opened: the fatal alert was shown and
    // nothing else started.
    bool applicationDidFinishLaunching();
    void handle(const AppRequest& request);
    // A start with no request while running: shows the board when no window is visible.
    void applicationShouldHandleReopen();

    void showDashboard();
    void showSettings();
    void showOnboarding();
    void presentFatal(const std::string& description);
    void presentMarkupEditor(const std::string& imageID);

    // The menu actions.
    void captureRegion() { handle({AppRequest::Kind::captureRegion, AppRequest::Source::menu}); }
    void captureFullScreen() {
        handle({AppRequest::Kind::captureFullScreen, AppRequest::Source::menu});
    }
    void newIssue() { handle({AppRequest::Kind::newIssue, AppRequest::Source::menu}); }
    void openDashboard() { showDashboard(); }
    void openSettings() { showSettings(); }
    void showOnboardingFromMenu() { showOnboarding(); }
    void syncNow();
    void openAccountSettings();

    Library* library() const { return library_.get(); }
    Account* account() const { return account_.get(); }
    CaptureController* captureController() const { return captureController_.get(); }
    QWidget* dashboardWindow() const { return dashboardWindow_; }
    QWidget* settingsWindow() const { return settingsWindow_; }
    QWidget* onboardingWindow() const { return onboardingWindow_; }

private:
    void regionRequest();
    void fullScreenRequest(bool awaitSecondPress);
    void noteOnlyIssue();
    void observeNotifications();
    QWidget* makeWindow(QWidget* content, const QString& title, QSize size);
    void bringForward(QWidget* window);

    AppServices services_;
    std::unique_ptr<Library> library_;
    std::unique_ptr<Account> account_;
    std::unique_ptr<CaptureController> captureController_;
    QPointer<QWidget> dashboardWindow_;
    QPointer<QWidget> settingsWindow_;
    QPointer<QWidget> onboardingWindow_;
};

} // namespace tavro
