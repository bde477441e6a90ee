#pragma once

#include <QWidget>

class QTabWidget;

namespace tavro {

class Account;
class Library;
class NotificationCenter;
class PermissionsService;
class Preferences;

// The settings window's root view: General (the preference switches), Account and Library.
class SettingsView final : public QWidget {
    Q_OBJECT

public:
    SettingsView(Preferences& preferences, PermissionsService& permissions, Library& library,
                 Account& account, NotificationCenter& notifications, QWidget* parent = nullptr);

    QString currentTab() const;

private:
    QTabWidget* tabs_ = nullptr;
};

} // namespace tavro
