#pragma once

#include <QWidget>

namespace tavro {

class Account;
class AccountPane;

// The settings window's account tab over the one account: draws whatever the
// account publishes and hands each control's request to the account.
class AccountSettingsView final : public QWidget {
    Q_OBJECT

public:
    explicit AccountSettingsView(Account& account, QWidget* parent = nullptr);

    AccountPane* pane() const { return pane_; }

private:
    void refresh();

    Account& account_;
    AccountPane* pane_ = nullptr;
};

} // namespace tavro
