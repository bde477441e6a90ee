#pragma once

#include <QKeySequence>
#include <QString>

#include <memory>
#include <span>

class QMenuBar;
class QMessageBox;
class QWidget;

namespace tavro {

class AppActions;
class FlowDesktop;

enum class MenuCommand {
    about,
    checkForUpdates,
    openSettings,
    showOnboarding,
    hide,
    hideOthers,
    quit,
    captureRegion,
    captureFullScreen,
    newIssue,
    undo,
    redo,
    cut,
    copy,
    paste,
    selectAll,
    openDashboard,
    minimize,
    close,
    separator,
};

struct MainMenuItem {
    const char* menu;
    const char* title; // empty for a separator
    MenuCommand command;
    QKeySequence::StandardKey standardKey = QKeySequence::UnknownKey;
    const char* keys = ""; // portable text, where no standard key fits
};

// The main menu, top-level menu by menu, in order. The capture items carry no key: the capture
// shortcuts are global, not menu keys.
std::span<const MainMenuItem> mainMenuItems();

// The menu bar of a titled window, sending its commands to `actions` and the standard ones
// (editing, window and application commands) to the focused widget or the active window.
QMenuBar* buildMainMenu(AppActions& actions, FlowDesktop& desktop, QWidget* parent);

// Room beside the title for a title bar's buttons and margins, in points.
constexpr int aboutTitleBarRoom = 160;

// "About Tavro": the version, in a box wide enough for its title.
std::unique_ptr<QMessageBox> makeAboutBox(QWidget* parent);

} // namespace tavro
