#include "account/AccountPane.h"

#include "account/AccountSignedInView.h"
#include "account/AccountSignedOutView.h"
#include "account/AccountTexts.h"
#include "values/Utf8.h"

#include <QMessageBox>
#include <QPushButton>
#include <QStackedLayout>

namespace tavro {

AccountPane::AccountPane(QWidget* parent)
    : QWidget(parent) {
    stack_ = new QStackedLayout(this);
    signedOut_ = new AccountSignedOutView;
    signedIn_ = new AccountSignedInView;
    stack_->addWidget(signedOut_);
    stack_->addWidget(signedIn_);

    connect(signedOut_, &AccountSignedOutView::signInRequested, this,
            &AccountPane::signInRequested);
    connect(signedOut_, &AccountSignedOutView::createAccountRequested, this,
            &AccountPane::createAccountRequested);
    connect(signedOut_, &AccountSignedOutView::openApprovalRequested, this,
            &AccountPane::openApprovalRequested);
    connect(signedOut_, &AccountSignedOutView::cancelSignInRequested, this,
            &AccountPane::cancelSignInRequested);
    connect(signedIn_, &AccountSignedInView::openWebAppRequested, this,
            &AccountPane::openWebAppRequested);
    connect(signedIn_, &AccountSignedInView::syncNowRequested, this,
            &AccountPane::syncNowRequested);
    connect(signedIn_, &AccountSignedInView::workspaceChosen, this, &AccountPane::workspaceChosen);
    connect(signedIn_, &AccountSignedInView::moveRequested, this, &AccountPane::moveRequested);
    connect(signedIn_, &AccountSignedInView::signOutRequested, this, &AccountPane::signOutAsked);
}

void AccountPane::render(const AccountPaneModel::Snapshot& account) {
    page_ = AccountPaneModel::page(account);
    if (page_ == AccountPaneModel::Page::signedIn) {
        signedIn_->render(AccountPaneModel::signedIn(account));
        stack_->setCurrentWidget(signedIn_);
    } else {
        signedOut_->render(AccountPaneModel::signedOut(account));
        stack_->setCurrentWidget(signedOut_);
    }
}

void AccountPane::confirmSignOut(std::optional<std::int64_t> changesLost) {
    const QString message = toQString(AccountPaneModel::signOutMessage(changesLost));
    if (alert_) {
        alert_->setInformativeText(message);
        alert_->raise();
        return;
    }
    alert_ = new QMessageBox(QMessageBox::Warning, toQString(AccountTexts::signOutTitle),
                             toQString(AccountTexts::signOutTitle), QMessageBox::NoButton, this);
    alert_->setTextFormat(Qt::PlainText);
    alert_->setInformativeText(message);
    alert_->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* signOut =
        alert_->addButton(toQString(AccountTexts::signOutConfirm), QMessageBox::DestructiveRole);
    QPushButton* cancel =
        alert_->addButton(toQString(AccountTexts::cancel), QMessageBox::RejectRole);
    signOut->setAccessibleName(signOut->text());
    cancel->setAccessibleName(cancel->text());
    alert_->setDefaultButton(cancel);
    alert_->setEscapeButton(cancel);
    connect(signOut, &QPushButton::clicked, this, &AccountPane::signOutConfirmed);
    alert_->open();
}

} // namespace tavro
