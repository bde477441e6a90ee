#include "settings/SettingsView.h"

#include "settings/AccountSettingsView.h"
#include "settings/AgentSettings.h"
#include "settings/GeneralSettings.h"
#include "settings/LibrarySettings.h"
#include "settings/SettingsTabs.h"
#include "settings/SettingsTexts.h"
#include "settings/ShortcutSettings.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tavro {

SettingsView::SettingsView(Preferences& preferences, PermissionsService& permissions,
                           HotkeyManager& hotkeys, Library& library, Account& account,
                           AppActions& actions, std::string_view tab, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setDocumentMode(true);
    // A screen reader announces the tab bar by this name, then the tab that is chosen.
    tabs_->setAccessibleName(toQString(SettingsTexts::windowTitle));
    tabs_->tabBar()->setExpanding(true);
    tabs_->setIconSize(QSize(16, 16));
    for (const SettingsTab& entry : settingsTabs()) {
        QWidget* page = nullptr;
        if (entry.id == SettingsTabID::general)
            page = new GeneralSettings(preferences, permissions, library);
        else if (entry.id == SettingsTabID::account)
            page = new AccountSettingsView(account);
        else if (entry.id == SettingsTabID::shortcuts)
            page = new ShortcutSettings(preferences, permissions, hotkeys);
        else if (entry.id == SettingsTabID::agent)
            page = new AgentSettings(MCPInstaller(AgentHome::current()));
        else
            page = new LibrarySettings(library, actions);
        page->setObjectName(toQString(entry.id));
        const int index = tabs_->addTab(
            page, iconImage(entry.symbol, Theme::textSecondary.resolved(palette()), 16),
            toQString(entry.label));
        tabs_->setTabToolTip(index, toQString(entry.label));
    }
    layout->addWidget(tabs_);
    selectTab(tab);
    // Switching tabs from the keyboard (Ctrl+Tab) leads on to the new tab's first control.
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        QWidget* focus = QApplication::focusWidget();
        QWidget* page = tabs_->currentWidget();
        if (!focus || focus == tabs_->tabBar() || page->isAncestorOf(focus))
            return;
        for (QWidget* next = page->nextInFocusChain(); next != page;
             next = next->nextInFocusChain())
            if (page->isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus) &&
                next->isVisibleTo(page)) {
                next->setFocus(Qt::TabFocusReason);
                return;
            }
    });
}

QString SettingsView::currentTab() const {
    return tabs_->currentWidget()->objectName();
}

void SettingsView::selectTab(std::string_view id) {
    if (const auto index = settingsTabIndex(id))
        tabs_->setCurrentIndex(int(*index));
}

void SettingsView::showAccountTab() {
    selectTab(SettingsTabID::account);
}

} // namespace tavro
