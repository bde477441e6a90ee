#include "settings/AccountSettingsView.h"

#include "account/Account.h"
#include "account/AccountPane.h"

#include <QVBoxLayout>

namespace tavro {

namespace {

AccountPaneModel::Snapshot snapshot(const Account& account) {
    AccountPaneModel::Snapshot state;
    state.status = account.status();
    state.statusLine = account.statusLine();
    state.me = account.me();
    state.workspaces = account.workspaces();
    state.localCaptureCount = account.localCaptureCount();
    state.pendingCode = account.pendingCode();
    state.signInError = account.signInError();
    state.log = account.log();
    state.defaultWorkspaceID = account.defaultWorkspaceID();
    return state;
}

} // namespace

AccountSettingsView::AccountSettingsView(Account& account, QWidget* parent)
    : QWidget(parent)
    , account_(account) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pane_ = new AccountPane(this);
    layout->addWidget(pane_);

    connect(pane_, &AccountPane::signInRequested, &account_, &Account::signIn);
    connect(pane_, &AccountPane::cancelSignInRequested, &account_, &Account::cancelSignIn);
    connect(pane_, &AccountPane::openApprovalRequested, &account_, &Account::openApproval);
    connect(pane_, &AccountPane::createAccountRequested, &account_, &Account::openSignUp);
    connect(pane_, &AccountPane::openWebAppRequested, &account_, &Account::openWebApp);
    connect(pane_, &AccountPane::syncNowRequested, &account_, &Account::syncNow);
    connect(pane_, &AccountPane::moveRequested, &account_, &Account::adoptLocalCaptures);
    connect(pane_, &AccountPane::signOutAsked, this, [this] {
        account_.countChangesLostOnSignOut(pane_, [pane = pane_](std::optional<std::int64_t> lost) {
            pane->confirmSignOut(lost);
        });
    });
    connect(pane_, &AccountPane::signOutConfirmed, &account_, &Account::signOut);
    connect(pane_, &AccountPane::workspaceChosen, &account_,
            [this](const std::string& id) { account_.setDefaultWorkspaceID(id); });

    connect(&account_, &Account::statusChanged, this, &AccountSettingsView::refresh);
    connect(&account_, &Account::accountChanged, this, &AccountSettingsView::refresh);
    connect(&account_, &Account::signInChanged, this, &AccountSettingsView::refresh);
    refresh();
}

void AccountSettingsView::refresh() {
    pane_->render(snapshot(account_));
}

} // namespace tavro
