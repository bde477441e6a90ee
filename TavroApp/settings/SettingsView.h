#pragma once

#include <QWidget>

#include <string_view>

class QTabWidget;

namespace tavro {

class Account;
class AppActions;
class HotkeyManager;
class Library;
class PermissionsService;
class Preferences;

// The settings window's root view: the General, Account, Shortcuts, Agent and Library tabs.
// Nothing waits for a Save: each tab stores a change the moment it is made. An account-tab
// request switches to the Account tab from whichever is shown.
class SettingsView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 560;
    static constexpr int height = 480;

    SettingsView(Preferences& preferences, PermissionsService& permissions, HotkeyManager& hotkeys,
                 Library& library, Account& account, AppActions& actions,
                 std::string_view tab = "general", QWidget* parent = nullptr);

    // The identifier of the selected tab.
    QString currentTab() const;
    void selectTab(std::string_view id);
    // The account-tab request.
    void showAccountTab();
    QTabWidget* tabs() const { return tabs_; }

private:
    QTabWidget* tabs_ = nullptr;
};

} // namespace tavro
