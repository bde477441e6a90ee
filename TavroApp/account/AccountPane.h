#pragma once

#include "account/AccountPaneModel.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>

class QStackedLayout;

namespace tavro {

class AccountSignedInView;
class AccountSignedOutView;

// The account tab drawn from the account's published state: the sign-in while signed out (or
// once the session lapsed), the account once signed in. Each control asks for its operation
// through a signal; signing out asks for confirmation first, saying what would be lost.
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
    // Shows the sign-out confirmation (or raises the one up), saying how many changes that never
    // reached the service signing out loses. "Sign out…" asks for that count first.
    void confirmSignOut(std::optional<std::int64_t> changesLost);

signals:
    void signInRequested();
    void createAccountRequested();
    void openApprovalRequested();
    void cancelSignInRequested();
    void openWebAppRequested();
    void syncNowRequested();
    void workspaceChosen(const std::string& id);
    void moveRequested();
    // "Sign out…": the confirmation follows once confirmSignOut() has the count.
    void signOutAsked();
    void signOutConfirmed();

private:
    QStackedLayout* stack_ = nullptr;
    AccountSignedOutView* signedOut_ = nullptr;
    AccountSignedInView* signedIn_ = nullptr;
    AccountPaneModel::Page page_ = AccountPaneModel::Page::signedOut;
    QPointer<QMessageBox> alert_;
};

} // namespace tavro
