#include "account/SettingsView.h"

#include "capture/HotkeyManager.h"
#include "capture/HotkeyRecorderView.h"
#include "capture/ShortcutTexts.h"
#include "model/Paths.h"
#include "shell/AppNotifications.h"
#include "shell/Preferences.h"
#include "shell/Utf8.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tavro {

namespace {

// One recorder per capture shortcut, each showing whether another client owns its shortcut.
void addRecorders(QVBoxLayout* layout, Preferences& preferences, HotkeyManager& hotkeys) {
    const struct {
        const char* title;
        PreferenceKey key;
        HotkeyManager::Action action;
    } shortcuts[] = {
        {"Capture a region", PreferenceKey::regionHotkey, HotkeyManager::Action::region},
        {"Capture the whole screen", PreferenceKey::fullScreenHotkey,
         HotkeyManager::Action::fullScreen},
    };
    for (const auto& shortcut : shortcuts) {
        auto* recorder =
            new HotkeyRecorderView(QString::fromUtf8(shortcut.title), preferences, shortcut.key);
        auto showConflict = [recorder, &hotkeys, action = shortcut.action] {
            recorder->setConflict(hotkeys.conflicts().count(action) > 0);
        };
        showConflict();
        QObject::connect(&hotkeys, &HotkeyManager::conflictsChanged, recorder, showConflict);
        layout->addWidget(recorder);
    }
}

QWidget* generalTab(Preferences& preferences, HotkeyManager& hotkeys) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    addRecorders(layout, preferences, hotkeys);
    for (const PreferenceRow& row : preferenceRows()) {
        if (row.type != PreferenceType::flag || row.label.empty())
            continue;
        auto* box = new QCheckBox(toQString(row.label), page);
        box->setChecked(preferences.flag(row.key));
        QObject::connect(box, &QCheckBox::toggled, page,
                         [&preferences, key = row.key](bool on) { preferences.setFlag(key, on); });
        layout->addWidget(box);
    }
    layout->addStretch(1);
    return page;
}

QWidget* accountTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(
        new QLabel(QStringLiteral("Not signed in. Captures stay on this computer."), page));
    layout->addStretch(1);
    return page;
}

QWidget* libraryTab(NotificationCenter& notifications) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* location = new QLabel(toQString(TavroPaths::support().string()), page);
    location->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* again = new QPushButton(QStringLiteral("Show onboarding again"), page);
    QObject::connect(again, &QPushButton::clicked, page,
                     [&notifications] { notifications.post(AppNotification::showOnboarding); });
    layout->addWidget(location);
    layout->addWidget(again, 0, Qt::AlignLeft);
    layout->addStretch(1);
    return page;
}

} // namespace

SettingsView::SettingsView(Preferences& preferences, PermissionsService&, HotkeyManager& hotkeys,
                           Library&, Account&, NotificationCenter& notifications, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->addTab(generalTab(preferences, hotkeys), QStringLiteral("General"));
    tabs_->widget(0)->setObjectName(QStringLiteral("general"));
    tabs_->addTab(accountTab(), QStringLiteral("Account"));
    tabs_->widget(1)->setObjectName(QStringLiteral("account"));
    tabs_->addTab(libraryTab(notifications), QStringLiteral("Library"));
    tabs_->widget(2)->setObjectName(QStringLiteral("library"));
    layout->addWidget(tabs_);
    notifications.observe(AppNotification::showAccountTab, this,
                          [this](const QVariant&) { tabs_->setCurrentIndex(1); });
}

QString SettingsView::currentTab() const {
    return tabs_->currentWidget()->objectName();
}

} // namespace tavro
