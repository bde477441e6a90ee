#include "app/ShellMenus.h"

#include "capture/ShortcutTexts.h"
#include "values/AppActions.h"
#include "values/Preferences.h"

#include <QPointer>

#include <cstdio>

namespace tavro {

ShellMenus::ShellMenus(Preferences& preferences, HotkeyManager& hotkeys, AppActions& actions,
                       Sources sources, std::unique_ptr<RestartableTimer> debounce, QObject* parent)
    : QObject(parent)
    , preferences_(preferences)
    , hotkeys_(hotkeys)
    , actions_(actions)
    , sources_(std::move(sources))
    , hotkeyDebounce_(debounce ? std::move(debounce)
                               : std::make_unique<QtRestartableTimer>(hotkeyDebounce)) {
    connect(&hotkeys_, &HotkeyManager::conflictsChanged, this, &ShellMenus::reportConflicts);
    connect(&preferences_, &Preferences::changed, this, [this](PreferenceKey key) {
        if (key == PreferenceKey::regionHotkey || key == PreferenceKey::fullScreenHotkey)
            hotkeyDebounce_->start([this] { applyHotkeys(); });
    });
}

void ShellMenus::reportConflicts() {
    for (HotkeyManager::Action action : hotkeys_.conflicts()) {
        if (reportedConflicts_.count(action))
            continue;
        std::fprintf(stderr, "%.*s: %.*s\n", int(ShortcutTexts::title(action).size()),
                     ShortcutTexts::title(action).data(), int(ShortcutTexts::conflict.size()),
                     ShortcutTexts::conflict.data());
    }
    reportedConflicts_ = hotkeys_.conflicts();
}

void ShellMenus::setUpStatusItem() {
    if (statusItem_ || !preferences_.flag(PreferenceKey::showMenuBarIcon))
        return;
    statusItem_ = std::make_unique<StatusItem>(actions_);
    // The sync line tells the time since the last sync: current each time the menu opens.
    connect(&statusItem_->menu(), &QMenu::aboutToShow, this, &ShellMenus::updateStatusMenu);
}

void ShellMenus::applyHotkeys() {
    QPointer<ShellMenus> self(this);
    hotkeys_.registerHotkey(preferences_.regionHotkey(), HotkeyManager::Action::region, [self] {
        if (self)
            self->actions_.captureRegion();
    });
    hotkeys_.registerHotkey(preferences_.fullScreenHotkey(), HotkeyManager::Action::fullScreen,
                            [self] {
                                if (self)
                                    self->actions_.fullScreenShortcut();
                            });
    updateStatusMenu();
}

StatusMenuState ShellMenus::currentState() const {
    StatusMenuInputs inputs;
    inputs.regionHotkey = preferences_.regionHotkey();
    inputs.fullScreenHotkey = preferences_.fullScreenHotkey();
    inputs.openCount = sources_.openCount ? sources_.openCount() : 0;
    inputs.sync = sources_.syncStatus ? sources_.syncStatus() : SyncStatus{};
    inputs.statusLine = sources_.statusLine ? sources_.statusLine() : std::string();
    return statusMenuState(inputs);
}

void ShellMenus::updateStatusMenu() {
    if (!statusItem_)
        return;
    statusItem_->update(currentState());
}

void ShellMenus::scheduleStatusMenuUpdate() {
    QMetaObject::invokeMethod(this, &ShellMenus::updateStatusMenu, Qt::QueuedConnection);
}

} // namespace tavro
