#pragma once

#include "account/AccountPaneModel.h"

#include <QWidget>

class QLabel;

namespace tavro {

class PrimaryButton;
class SecondaryButton;

// The account pane while nobody is signed in: what syncing does, the sign-in buttons or the code
// of a sign-in waiting for approval, and the last sign-in's failure.
class AccountSignedOutView final : public QWidget {
    Q_OBJECT

public:
    explicit AccountSignedOutView(QWidget* parent = nullptr);

    void render(const AccountPaneModel::SignedOut& content);

    PrimaryButton* signInButton() const { return signIn_; }
    QLabel* codeLabel() const { return code_; }

signals:
    void signInRequested();
    void createAccountRequested();
    void openApprovalRequested();
    void cancelSignInRequested();

private:
    QWidget* codeView();

    QLabel* expired_ = nullptr;
    QWidget* buttons_ = nullptr;
    PrimaryButton* signIn_ = nullptr;
    QWidget* codeView_ = nullptr;
    QLabel* code_ = nullptr;
    QLabel* error_ = nullptr;
};

} // namespace tavro
