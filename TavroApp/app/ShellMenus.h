#pragma once

#include "app/StatusItem.h"
#include "app/StatusMenuModel.h"
#include "capture/HotkeyManager.h"
#include "values/RestartableTimer.h"

#include <QObject>

#include <functional>
#include <memory>
#include <set>

namespace tavro {

class AppActions;
class Preferences;

// Keeps the global shortcuts and the status item in step with the preferences, the board and the
// sync state: arms the two shortcuts (again 150 ms after the last change of either), and
// retitles the status menu whenever its inputs change.
class ShellMenus final : public QObject {
    Q_OBJECT

public:
    struct Sources {
        std::function<std::int64_t()> openCount;
        std::function<SyncStatus()> syncStatus;
        std::function<std::string()> statusLine;
    };

    static constexpr int hotkeyDebounce = 150; // ms

    // `debounce` counts down the quiet time after a change of either shortcut; by default
    // hotkeyDebounce on the event loop.
    ShellMenus(Preferences& preferences, HotkeyManager& hotkeys, AppActions& actions,
               Sources sources, std::unique_ptr<RestartableTimer> debounce = nullptr,
               QObject* parent = nullptr);
    ShellMenus(const ShellMenus&) = delete;
    ShellMenus& operator=(const ShellMenus&) = delete;

    // Creates the status item when the preference is on; never again later.
    void setUpStatusItem();
    void applyHotkeys();
    void updateStatusMenu();
    // For the board's and the sync state's change signals: retitles once the change is stored.
    void scheduleStatusMenuUpdate();

    StatusItem* statusItem() const { return statusItem_.get(); }

    StatusMenuState currentState() const;

private:
    // A shortcut another client owns is also said on standard error, once per new conflict.
    void reportConflicts();

    Preferences& preferences_;
    HotkeyManager& hotkeys_;
    AppActions& actions_;
    Sources sources_;
    std::set<HotkeyManager::Action> reportedConflicts_;
    std::unique_ptr<StatusItem> statusItem_;
    std::unique_ptr<RestartableTimer> hotkeyDebounce_;
};

} // namespace tavro
