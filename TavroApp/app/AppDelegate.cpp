#include "app/AppDelegate.h"

#include "account/Account.h"
#include "app/AppWindow.h"
#include "app/MainMenu.h"
#include "app/ShellMenus.h"
#include "board/BoardView.h"
#include "capture/SelectionOverlay.h"
#include "desktop/AppWindows.h"
#include "desktop/ContextCollector.h"
#include "desktop/ExitKeeper.h"
#include "detail/CaptureDetailView.h"
#include "library/FailureText.h"
#include "library/Library.h"
#include "model/Paths.h"
#include "onboarding/OnboardingTexts.h"
#include "onboarding/OnboardingView.h"
#include "settings/SettingsTexts.h"
#include "settings/SettingsView.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace tavro {

namespace {

constexpr auto dashboardFrameKey = "windows/dev.tavro.dashboard";

void centre(QWidget* window) {
    if (QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

} // namespace

AppDelegate::AppDelegate(AppServices services, QObject* parent)
    : QObject(parent)
    , services_(services)
    , hotkeys_(services.hotkeyRegistrar, services.keyEvents, services.permissionProbe) {}

AppDelegate::~AppDelegate() {
    exitKeeper_.reset();
    delete boardWindow_.data();
    delete settingsWindow_.data();
    delete onboardingWindow_.data();
}

void AppDelegate::start(AppParts parts, bool openStartWindow) {
    library_ = std::move(parts.library);
    account_ = std::move(parts.account);
    captureController_ = std::move(parts.capture);
    QPointer<AppDelegate> self(this);
    captureController_->onNeedsScreenRecording = [self] {
        if (self)
            self->showOnboarding();
    };
    setUpMenus();
    menus_->applyHotkeys();
    // Quitting keeps what is typed (the Quit command, SIGTERM and SIGHUP, a session that ends);
    // so does a process the toolkit ends on a broken X connection, where nothing unwinds and the
    // writes asked for must land before it goes.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::keepUnsavedWork);
    exitKeeper_ = std::make_unique<ExitKeeper>([this] {
        keepUnsavedWork();
        library_.reset();
    });
    if (!openStartWindow)
        return;
    if (services_.preferences.flag(PreferenceKey::hasCompletedOnboarding))
        showBoard();
    else
        showOnboarding();
}

void AppDelegate::keepUnsavedWork() {
    if (captureController_)
        captureController_->keepForEnd();
    if (boardWindow_)
        if (auto* board = boardWindow_->findChild<BoardView*>())
            if (CaptureDetailView* pane = board->detail())
                pane->flushNote();
}

void AppDelegate::setUpMenus() {
    Library* library = library_.get();
    Account* account = account_.get();
    menus_ =
        std::make_unique<ShellMenus>(services_.preferences, hotkeys_, *this,
                                     ShellMenus::Sources{[library] { return library->openCount(); },
                                                         [account] { return account->status(); },
                                                         [account] {
                                                             return account->statusLine();
                                                         }});
    menus_->setUpStatusItem();
    connect(library, &Library::changed, menus_.get(),
            [menus = menus_.get()](Library::Property property) {
                if (property == Library::Property::captures)
                    menus->scheduleStatusMenuUpdate();
            });
    connect(account, &Account::statusChanged, menus_.get(), &ShellMenus::scheduleStatusMenuUpdate);
}

void AppDelegate::presentFatal(const std::string& description) {
    const QString message = QStringLiteral("Tavro can't open its library");
    QMessageBox alert(QMessageBox::Critical, message, message);
    alert.setTextFormat(Qt::PlainText);
    alert.setInformativeText(toQString(userFacingFailure(description)) +
                             QStringLiteral("\n\nLibrary location: ") +
                             toQString(TavroPaths::libraryRoot().string()));
    alert.addButton(QStringLiteral("Quit"), QMessageBox::AcceptRole);
    alert.exec();
}

void AppDelegate::addScreenshot(const std::string& captureID) {
    if (captureController_)
        captureController_->request(FlowRequest::addScreenshotTo(captureID));
}

void AppDelegate::annotate(const std::string& screenshotID) {
    presentMarkupEditor(screenshotID);
}

void AppDelegate::handle(const AppRequest& request) {
    if (!captureController_)
        return;
    switch (request.kind) {
    case AppRequest::Kind::reopen:
        reopen();
        break;
    case AppRequest::Kind::captureRegion:
        captureController_->request(FlowRequest::region());
        break;
    case AppRequest::Kind::captureFullScreen:
        captureController_->request(FlowRequest::fullScreen(request.awaitsSecondPress()));
        break;
    case AppRequest::Kind::newIssue:
        captureController_->request(FlowRequest::note());
        break;
    }
}

void AppDelegate::reopen() {
    const std::vector<QWidget*> unhidden = unhideAppWindows();
    QWidget* front = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->isMinimized() && isAppWindow(window)) {
            front = window;
            break;
        }
    // The board comes forward whenever there is one, minimised or covered as it may be.
    if (boardWindow_ || !front) {
        showBoard();
        return;
    }
    bringForward(unhidden.empty() ? front : unhidden.back());
}

void AppDelegate::bringForward(QWidget* window) {
    window->showNormal();
    window->raise();
    window->activateWindow();
    // A request that comes through the socket carries no user time, which a window manager
    // may take as a reason to leave the focus where it is; ask as a pager does.
    services_.capture.desktop.activate({std::uint32_t(window->winId()), 0});
}

QWidget* AppDelegate::makeWindow(QWidget* content, const QString& title, QSize size) {
    auto* window = new AppWindow(content, title, size);
    window->setMenuBar(buildMainMenu(*this, services_.capture.desktop, window));
    // Titled and closable only, at the view's own size: neither resized, minimised nor
    // maximised by the user.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    content->setFixedSize(size);
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    window->layout()->activate();
    centre(window);
    return window;
}

void AppDelegate::showBoard() {
    if (!library_)
        return;
    if (boardWindow_) {
        bringForward(boardWindow_);
        return;
    }
    auto* window = new AppWindow(new BoardView(*library_, services_.preferences, *this),
                                 QStringLiteral("Tavro"), QSize(1180, 760),
                                 QString::fromLatin1(dashboardFrameKey));
    window->setMenuBar(buildMainMenu(*this, services_.capture.desktop, window));
    centre(window);
    window->restoreFrame();
    boardWindow_ = window;
    bringForward(window);
}

void AppDelegate::showSettings() {
    if (!library_)
        return;
    if (settingsWindow_) {
        bringForward(settingsWindow_);
        return;
    }
    QWidget* window = makeWindow(new SettingsView(services_.preferences, services_.permissions,
                                                  hotkeys_, *library_, *account_, *this),
                                 toQString(SettingsTexts::windowTitle),
                                 QSize(SettingsView::width, SettingsView::height));
    settingsWindow_ = window;
    bringForward(window);
}

void AppDelegate::showOnboarding() {
    if (!library_)
        return;
    if (onboardingWindow_) {
        bringForward(onboardingWindow_);
        return;
    }
    QPointer<AppDelegate> self(this);
    auto finish = [self] {
        if (!self)
            return;
        if (QWidget* window = self->onboardingWindow_) {
            self->onboardingWindow_.clear();
            window->close();
        }
        self->showBoard();
    };
    auto tryCapture = [self] {
        if (!self)
            return;
        // Out of the way until the app is opened again.
        hideAppWindow(self->onboardingWindow_);
        QTimer::singleShot(tryCaptureDelayMs, self, [self] {
            if (self)
                self->handle({AppRequest::Kind::captureRegion, AppRequest::Source::onboarding});
        });
    };
    QWidget* window = makeWindow(new OnboardingView(services_.preferences, services_.permissions,
                                                    hotkeys_, finish, tryCapture),
                                 toQString(OnboardingTexts::windowTitle),
                                 QSize(OnboardingView::width, OnboardingView::height));
    onboardingWindow_ = window;
    bringForward(window);
}

void AppDelegate::presentMarkupEditor(const std::string& imageID) {
    if (!library_)
        return;
    library_->readImage(imageID, this, [this](std::optional<CaptureImage> image) {
        if (!image)
            return;
        QPointer<AppDelegate> self(this);
        services_.editor.present(
            *image, [self, row = *image](const Annotation& annotation,
                                         AnnotationEditorWindowController::SaveAnswer answer) {
                if (!self || !self->library_)
                    return;
                // The editor stays open with the marks until they are stored, and shows why they
                // were not.
                self->library_->saveAnnotation(annotation, row).then(self, std::move(answer));
            });
    });
}

void AppDelegate::syncNow() {
    if (account_)
        account_->syncNow();
}

void AppDelegate::openAccountSettings() {
    showSettings();
    // The tab changes in a later turn, once the window is forward.
    QTimer::singleShot(0, this, [this] {
        if (settingsWindow_)
            if (auto* view = settingsWindow_->findChild<SettingsView*>())
                view->showAccountTab();
    });
}

} // namespace tavro
