#include "account/SettingsView.h"

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

QWidget* generalTab(Preferences& preferences) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
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

SettingsView::SettingsView(Preferences& preferences, PermissionsService&, Library&, Account&,
                           NotificationCenter& notifications, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->addTab(generalTab(preferences), QStringLiteral("General"));
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
