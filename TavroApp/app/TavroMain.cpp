// The composition root: builds the long-lived objects in dependency order (the platform's
// services, the delegate that routes requests, the library, the account over it and the capture
// flow) and hands them to the app delegate, which owns the windows.
#include "account/Account.h"
#include "app/AppDelegate.h"
#include "capture/RegionSelectionOverlay.h"
#include "compose/ComposePanel.h"
#include "compose/MarkupEditorWindow.h"
#include "desktop/CaptureServices.h"
#include "desktop/ContextCollector.h"
#include "desktop/DisplaySession.h"
#include "desktop/GlobalKeys.h"
#include "desktop/PermissionProbe.h"
#include "desktop/PermissionsService.h"
#include "desktop/SessionBusCheck.h"
#include "desktop/SingleInstance.h"
#include "desktop/StoreChangeListener.h"
#include "desktop/TerminationSignal.h"
#include "desktop/X11Desktop.h"
#include "desktop/X11FlowDesktop.h"
#include "library/Library.h"
#include "library/LibraryOpening.h"
#include "library/ThumbnailLoader.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QApplication>
#include <QImageReader>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace tavro;

int main(int argc, char** argv) {
    const auto session = chooseDisplaySession([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    });
    if (session.problem) {
        std::fprintf(stderr, "%s\n", session.problem->c_str());
        return 1;
    }
    if (session.platform)
        setenv("QT_QPA_PLATFORM", session.platform->c_str(), 1);
    // A live bus answers in milliseconds; the wait overlaps the toolkit's start.
    SessionBusCheck busCheck(std::chrono::milliseconds(1500));

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("tavro"));
    QApplication::setApplicationName(QStringLiteral("Tavro"));
    QApplication::setApplicationVersion(QStringLiteral(TAVRO_VERSION));
    // Matches the installed desktop entry, so launchers group the app's windows under it.
    QGuiApplication::setDesktopFileName(QStringLiteral("tavro"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Large screenshots (8K and beyond) decode through Qt's readers too; its default limit of
    // 256 MiB refuses them.
    QImageReader::setAllocationLimit(1024);

    const QStringList arguments = QApplication::arguments();
    std::optional<AppRequest::Kind> request = AppRequest::Kind::reopen;
    if (arguments.size() > 2 || (arguments.size() == 2 && !(request = requestKindFromArgument(
                                                                toStdString(arguments.at(1)))))) {
        std::fprintf(stderr, "usage: tavro [--capture-region | --capture-fullscreen | "
                             "--new-issue]\n");
        return 2;
    }
    SingleInstance instance;
    switch (instance.start(*request)) {
    case SingleInstance::Role::handedOver:
        return 0;
    case SingleInstance::Role::unanswered:
        std::fprintf(stderr, "tavro: another copy is starting and does not answer\n");
        return 1;
    case SingleInstance::Role::primary:
        break;
    }
    // Before anything (the tray, accessibility, the store listener) opens the session bus.
    busCheck.giveUpIfSilent();

    auto legacySettings = openLegacyUserSettings();
    Preferences preferences(openUserSettings(), *legacySettings);
    auto probe = makePlatformPermissionProbe();
    PermissionsService permissions(*probe);
    ThumbnailLoader thumbnails;

    X11FlowDesktop flowDesktop;
    RegionSelectionOverlay overlay(flowDesktop);
    ComposePanelController noteBox(thumbnails, flowDesktop,
                                   [&preferences] { return preferences.defaultGroupID(); });
    MarkupEditorController flowEditor(preferences);
    MarkupEditorController boardEditor(preferences);
    DisplayScreenGrabber grabber(*probe);
    X11Desktop desktop;
    DesktopContextCollector context(desktop);
    EventLoopTimer timer;
    GlobalKeys globalKeys = makePlatformGlobalKeys();

    const CaptureController::Services flowServices{overlay, noteBox,     flowEditor, grabber,
                                                   context, flowDesktop, timer};
    AppDelegate delegate({preferences, permissions, thumbnails, flowServices, boardEditor,
                          *globalKeys.registrar, *globalKeys.keys, *probe});
    std::unique_ptr<Library> library;
    try {
        library = openLibrary(thumbnails, makeStoreChangeListener());
    } catch (const std::exception& error) {
        // Without its library the app cannot run: the user is told why, and it quits.
        AppDelegate::presentFatal(error.what());
        return 1;
    }
    auto account = std::make_unique<Account>(*library);
    // The two hear each other in-process; other programs still hear both over the session bus.
    QObject::connect(library.get(), &Library::localChangeCommitted, account.get(),
                     &Account::noteLocalChange);
    QObject::connect(account.get(), &Account::rowsApplied, library.get(),
                     &Library::checkForChanges);
    auto capture = std::make_unique<CaptureController>(*library, preferences, permissions, delegate,
                                                       flowServices);
    delegate.start({std::move(library), std::move(account), std::move(capture)},
                   *request == AppRequest::Kind::reopen);

    QObject::connect(&instance, &SingleInstance::requested, &delegate, [&](AppRequest::Kind kind) {
        delegate.handle({kind, AppRequest::Source::commandLine});
    });
    instance.listen();
    if (*request != AppRequest::Kind::reopen)
        delegate.handle({*request, AppRequest::Source::commandLine});
    quitOnTermination(&app);
    return app.exec();
}
