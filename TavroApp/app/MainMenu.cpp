#include "app/MainMenu.h"

#include "desktop/AppWindows.h"
#include "desktop/CaptureServices.h"
#include "values/AppActions.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <array>

namespace tavro {

namespace {

constexpr std::array items{
    MainMenuItem{"Tavro", "About Tavro", MenuCommand::about},
    MainMenuItem{"Tavro", "Check for Updates…", MenuCommand::checkForUpdates},
    MainMenuItem{"Tavro", "", MenuCommand::separator},
    MainMenuItem{"Tavro", "Settings…", MenuCommand::openSettings, QKeySequence::Preferences,
                 "Ctrl+,"},
    MainMenuItem{"Tavro", "Show Onboarding…", MenuCommand::showOnboarding},
    MainMenuItem{"Tavro", "", MenuCommand::separator},
    MainMenuItem{"Tavro", "Hide Tavro", MenuCommand::hide, QKeySequence::UnknownKey, "Ctrl+H"},
    MainMenuItem{"Tavro", "Hide Others", MenuCommand::hideOthers, QKeySequence::UnknownKey,
                 "Ctrl+Alt+H"},
    MainMenuItem{"Tavro", "", MenuCommand::separator},
    MainMenuItem{"Tavro", "Quit Tavro", MenuCommand::quit, QKeySequence::Quit, "Ctrl+Q"},
    MainMenuItem{"Capture", "Capture Region", MenuCommand::captureRegion},
    MainMenuItem{"Capture", "Capture Full Screen", MenuCommand::captureFullScreen},
    MainMenuItem{"Capture", "", MenuCommand::separator},
    MainMenuItem{"Capture", "New Issue Without Screenshot", MenuCommand::newIssue,
                 QKeySequence::New},
    MainMenuItem{"Edit", "Undo", MenuCommand::undo, QKeySequence::Undo},
    MainMenuItem{"Edit", "Redo", MenuCommand::redo, QKeySequence::UnknownKey, "Ctrl+Shift+Z"},
    MainMenuItem{"Edit", "", MenuCommand::separator},
    MainMenuItem{"Edit", "Cut", MenuCommand::cut, QKeySequence::Cut},
    MainMenuItem{"Edit", "Copy", MenuCommand::copy, QKeySequence::Copy},
    MainMenuItem{"Edit", "Paste", MenuCommand::paste, QKeySequence::Paste},
    MainMenuItem{"Edit", "Select All", MenuCommand::selectAll, QKeySequence::SelectAll},
    MainMenuItem{"Window", "Dashboard", MenuCommand::openDashboard, QKeySequence::UnknownKey,
                 "Ctrl+0"},
    MainMenuItem{"Window", "", MenuCommand::separator},
    MainMenuItem{"Window", "Minimize", MenuCommand::minimize, QKeySequence::UnknownKey, "Ctrl+M"},
    MainMenuItem{"Window", "Close", MenuCommand::close, QKeySequence::Close},
};

// Editing commands go to the focused widget when it has the matching slot (line and text edits
// do); nothing happens otherwise.
void sendToFocus(const char* slot) {
    if (QWidget* focus = QApplication::focusWidget())
        QMetaObject::invokeMethod(focus, slot);
}

void showAbout(QWidget* parent) {
    makeAboutBox(parent)->exec();
}

void showUpdates(QWidget* parent) {
    QMessageBox::information(
        parent, QStringLiteral("Check for Updates"),
        QStringLiteral("Tavro ") + QApplication::applicationVersion() +
            QStringLiteral(" is installed. Updates come with the package that installed Tavro."));
}

void perform(MenuCommand command, AppActions& actions, FlowDesktop& desktop, QWidget* parent) {
    switch (command) {
    case MenuCommand::about:
        return showAbout(parent);
    case MenuCommand::checkForUpdates:
        return showUpdates(parent);
    case MenuCommand::openSettings:
        return actions.openSettings();
    case MenuCommand::showOnboarding:
        return actions.showOnboarding();
    case MenuCommand::hide:
        return hideAppWindows();
    case MenuCommand::hideOthers:
        return desktop.hideOtherApplications();
    case MenuCommand::quit:
        return QApplication::quit();
    case MenuCommand::captureRegion:
        return actions.captureRegion();
    case MenuCommand::captureFullScreen:
        return actions.captureFullScreen();
    case MenuCommand::newIssue:
        return actions.newIssue();
    case MenuCommand::undo:
        return sendToFocus("undo");
    case MenuCommand::redo:
        return sendToFocus("redo");
    case MenuCommand::cut:
        return sendToFocus("cut");
    case MenuCommand::copy:
        return sendToFocus("copy");
    case MenuCommand::paste:
        return sendToFocus("paste");
    case MenuCommand::selectAll:
        return sendToFocus("selectAll");
    case MenuCommand::openDashboard:
        return actions.openDashboard();
    case MenuCommand::minimize:
        if (QWidget* window = QApplication::activeWindow())
            window->showMinimized();
        return;
    case MenuCommand::close:
        if (QWidget* window = QApplication::activeWindow())
            window->close();
        return;
    case MenuCommand::separator:
        return;
    }
}

// The Window menu also lists the open titled windows, as a windows menu does.
void listOpenWindows(QMenu* menu, QAction* after) {
    QList<QAction*> actions = menu->actions();
    for (qsizetype i = actions.indexOf(after) + 1; i < actions.size(); ++i) {
        menu->removeAction(actions[i]);
        actions[i]->deleteLater();
    }
    bool first = true;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowType() != Qt::Window || !isAppWindow(window) ||
            window->windowTitle().isEmpty())
            continue;
        if (first)
            menu->addSeparator();
        first = false;
        QAction* entry = menu->addAction(window->windowTitle());
        entry->setCheckable(true);
        entry->setChecked(window == QApplication::activeWindow());
        QObject::connect(entry, &QAction::triggered, window, [window] {
            window->showNormal();
            window->raise();
            window->activateWindow();
        });
    }
}

} // namespace

std::unique_ptr<QMessageBox> makeAboutBox(QWidget* parent) {
    const QString title = QStringLiteral("About Tavro");
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::NoIcon, title, QStringLiteral("Tavro ") + QApplication::applicationVersion(),
        QMessageBox::Ok, parent);
    box->setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    // A message box is as wide as its short text, and a window manager then cuts the title:
    // leave room for the title in bold and the title bar's buttons beside it.
    QFont bold = box->font();
    bold.setBold(true);
    const int width = QFontMetrics(bold).horizontalAdvance(title) + aboutTitleBarRoom;
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

std::span<const MainMenuItem> mainMenuItems() {
    return items;
}

QMenuBar* buildMainMenu(AppActions& actions, FlowDesktop& desktop, QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    QMenu* menu = nullptr;
    for (const MainMenuItem& item : items) {
        const QString title = QString::fromUtf8(item.menu);
        if (!menu || menu->title() != title)
            menu = bar->addMenu(title);
        if (item.command == MenuCommand::separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.title));
        if (item.standardKey != QKeySequence::UnknownKey &&
            !QKeySequence::keyBindings(item.standardKey).isEmpty())
            action->setShortcuts(item.standardKey);
        else if (*item.keys)
            action->setShortcut(QKeySequence(QString::fromUtf8(item.keys)));
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, bar,
                         [command = item.command, &actions, &desktop, bar] {
                             perform(command, actions, desktop, bar->window());
                         });
    }
    QMenu* window = bar->actions().constLast()->menu();
    QAction* last = window->actions().constLast();
    QObject::connect(window, &QMenu::aboutToShow, window,
                     [window, last] { listOpenWindows(window, last); });
    return bar;
}

} // namespace tavro
