#pragma once

#include "account/AccountPaneModel.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <string>

class QStackedLayout;

namespace tavro {

class AccountSignedInView;
class AccountSignedOutView;

// The account tab drawn from the account's published state: the sign-in while signed out (or
// once the session lapsed), the account once signed in. Each control asks for its operation
// through a signal; signing out asks for confirmation first.
class AccountPane final : public QWidget {
    Q_OBJECT

public:
    explicit AccountPane(QWidget* parent = nullptr);

    void render(const AccountPaneModel::Snapshot& account);
    AccountPaneModel::Page page() const { return page_; }
    AccountSignedOutView* signedOutView() const { return signedOut_; }
    AccountSignedInView* signedInView() const { return signedIn_; }
    // The sign-out confirmation while it is up.
    QMessageBox* signOutAlert() const { return alert_; }

signals:
    void signInRequested();
    void createAccountRequested();
    void openApprovalRequested();
    void cancelSignInRequested();
    void openWebAppRequested();
    void syncNowRequested();
    void workspaceChosen(const std::string& id);
    void moveRequested();
    void signOutConfirmed();

private:
    void confirmSignOut();

    QStackedLayout* stack_ = nullptr;
    AccountSignedOutView* signedOut_ = nullptr;
    AccountSignedInView* signedIn_ = nullptr;
    AccountPaneModel::Page page_ = AccountPaneModel::Page::signedOut;
    QPointer<QMessageBox> alert_;
};

} // namespace tavro
