// The account tab's widgets: what they show as text, that each control is named and asks for
// its own operation, and that signing out waits for the confirmation.
#include "account/AccountPane.h"
#include "account/AccountSignedInView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::AccountPaneModel;
using Kind = SyncStatus::Kind;

namespace {

Snapshot signedIn() {
    Snapshot account;
    account.status.kind = Kind::idle;
    account.statusLine = "Sync problem — <i>bad</i>";
    account.me = Person{.id = "u1", .name = "<b>Ada</b>", .email = "<a href=x>a@x</a>", .kind = ""};
    account.workspaces = {{.id = "w1", .name = "<u>Acme</u>", .slug = {}, .role = "owner"},
                          {.id = "w2", .name = "Other", .slug = {}, .role = "member"}};
    account.defaultWorkspaceID = "w1";
    account.localCaptureCount = 2;
    account.log = {{1, 0, "error", "<img src=x>"}};
    return account;
}

QAbstractButton* button(QWidget& root, const QString& name) {
    for (QAbstractButton* candidate : root.findChildren<QAbstractButton*>())
        if (candidate->accessibleName() == name)
            return candidate;
    return nullptr;
}

} // namespace

TEST(AccountPaneView, ShowsServerTextAsPlainTextAndNamesEveryControl) {
    AccountPane pane;
    Snapshot out;
    out.pendingCode = DeviceCode{.deviceCode = "d", .userCode = "<b>CODE</b>"};
    out.signInError = "<font color=red>denied</font>";
    Snapshot in = signedIn();
    for (const Snapshot* state : {&out, &in}) {
        pane.render(*state);
        for (QLabel* label : pane.findChildren<QLabel*>())
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        for (QAbstractButton* control : pane.findChildren<QAbstractButton*>())
            EXPECT_FALSE(control->accessibleName().isEmpty()) << control->text().toStdString();
        for (QComboBox* picker : pane.findChildren<QComboBox*>())
            EXPECT_EQ(picker->accessibleName(), QStringLiteral("File new captures in"));
    }
    EXPECT_EQ(pane.signedInView()->workspacePicker()->currentText(), QStringLiteral("<u>Acme</u>"));
}

TEST(AccountPaneView, EachControlAsksForItsOperationWhenItMay) {
    Snapshot out;
    Snapshot code;
    code.pendingCode = DeviceCode{.deviceCode = "d", .userCode = "WDJB-MJHT"};
    Snapshot syncing = signedIn();
    syncing.status.kind = Kind::syncing;
    Snapshot noDefault = signedIn();
    noDefault.defaultWorkspaceID.reset();
    const struct {
        const Snapshot* state;
        const char* control;
        const char* signal; // none: the control is there but disabled
    } cases[] = {
        {&out, "Sign in…", SIGNAL(signInRequested())},
        {&out, "Create an account", SIGNAL(createAccountRequested())},
        {&code, "Open browser again", SIGNAL(openApprovalRequested())},
        {&code, "Cancel", SIGNAL(cancelSignInRequested())},
        {&syncing, "Open tavro.dev", SIGNAL(openWebAppRequested())},
        {&noDefault, "Sync now", SIGNAL(syncNowRequested())},
        {&syncing, "Sync now", nullptr},
        {&syncing, "Move to workspace", SIGNAL(moveRequested())},
        {&noDefault, "Move to workspace", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        AccountPane pane;
        pane.render(*c.state);
        QAbstractButton* control = button(pane, QString::fromUtf8(c.control));
        ASSERT_TRUE(control);
        EXPECT_TRUE(control->isVisibleTo(&pane));
        EXPECT_EQ(control->isEnabled(), c.signal != nullptr);
        if (c.signal) {
            QSignalSpy spy(&pane, c.signal);
            control->click();
            EXPECT_EQ(spy.count(), 1);
        }
    }

    AccountPane pane;
    pane.render(signedIn());
    QSignalSpy chosen(&pane, &AccountPane::workspaceChosen);
    emit pane.signedInView()->workspacePicker()->activated(1);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.front().front().value<std::string>(), "w2");
}

TEST(AccountPaneView, SignOutWaitsForTheConfirmation) {
    AccountPane pane;
    pane.render(signedIn());
    pane.show();
    QSignalSpy asked(&pane, &AccountPane::signOutAsked);
    QSignalSpy confirmed(&pane, &AccountPane::signOutConfirmed);
    for (const char* answer : {"Cancel", "Sign Out"}) {
        SCOPED_TRACE(answer);
        button(pane, QStringLiteral("Sign out…"))->click();
        EXPECT_EQ(asked.count(), 1);
        asked.clear();
        EXPECT_FALSE(pane.signOutAlert()) << "not before the count is in";
        pane.confirmSignOut(2);
        QMessageBox* alert = pane.signOutAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->text(), QStringLiteral("Sign out of Tavro?"));
        EXPECT_EQ(alert->informativeText(),
                  QStringLiteral("The account's captures leave this computer; they stay in your "
                                 "workspace. Captures that were never synced stay here.\n\n2 "
                                 "changes not yet synced will be lost."));
        EXPECT_EQ(confirmed.count(), 0);
        QAbstractButton* choice = button(*alert, QString::fromUtf8(answer));
        ASSERT_TRUE(choice);
        choice->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !pane.signOutAlert(); }));
    }
    EXPECT_EQ(confirmed.count(), 1);
}
