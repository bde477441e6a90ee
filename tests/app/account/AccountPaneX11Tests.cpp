// Pictures of the account tab in each of its states, at the settings window's size and the
// scale the test runs at, for a person to look at.
#include "account/AccountPane.h"
#include "account/AccountSignedInView.h"
#include "account/SyncLogGroup.h"
#include "settings/SettingsView.h"

#include "ViewPicture.h"

#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::AccountPaneModel;
using Kind = SyncStatus::Kind;

namespace {

Snapshot signedIn() {
    Snapshot account;
    account.status = {Kind::idle, now() - 120, {}};
    account.statusLine = "Synced 2 min. ago";
    account.me = Person{.id = "00000000-0000-4000-8000-000000000001",
                        .name = "Ada Lovelace",
                        .email = "ada@example.com",
                        .kind = "person"};
    account.workspaces = {{.id = "w1", .name = "Acme", .slug = "acme", .role = "owner"},
                          {.id = "w2", .name = "Side project", .slug = "side", .role = "member"}};
    account.defaultWorkspaceID = "w1";
    account.localCaptureCount = 3;
    account.log = {{3, now() - 30, "error", "Push failed for capture 1a2b3c4d: Server error"},
                   {2, now() - 300, "warn", "Merged the note of capture 9f8e7d6c"},
                   {1, now() - 4000, "info", "Signed in as Ada Lovelace"}};
    return account;
}

} // namespace

TEST(AccountPaneGallery, EachState) {
    AccountPane pane;
    pane.setFixedSize(SettingsView::width, SettingsView::height - 40);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));

    Snapshot out;
    const auto picture = [&](const Snapshot& account, const char* name) {
        pane.render(account);
        test::savePicture(pane, QStringLiteral("account-") + QString::fromLatin1(name));
    };
    picture(out, "signed-out");
    out.pendingCode = DeviceCode{.deviceCode = "d", .userCode = "WDJB-MJHT"};
    picture(out, "code");
    out.pendingCode.reset();
    out.status.kind = Kind::sessionExpired;
    out.signInError = "That code expired. Start again to get a new one.";
    picture(out, "expired-error");

    Snapshot in = signedIn();
    picture(in, "signed-in");
    pane.signedInView()->log()->setOpen(true);
    picture(in, "signed-in-log");
    in.status = {Kind::syncing, {}, {}};
    in.statusLine = "Syncing…";
    in.workspaces.resize(1);
    in.localCaptureCount = 1;
    in.log.clear();
    picture(in, "syncing-empty-log");
    in.status = {Kind::failed, {}, "The service answered 500 Internal Server Error"};
    in.statusLine = "Sync problem — The service answered 500 Internal Server Error";
    in.localCaptureCount = 0;
    picture(in, "failed");

    // The sign-out alert, with and without changes it would lose.
    for (const auto& [lost, name] :
         {std::pair<std::int64_t, const char*>{0, "sign-out"}, {12, "sign-out-changes-lost"}}) {
        pane.confirmSignOut(lost);
        QMessageBox* alert = pane.signOutAlert();
        ASSERT_TRUE(alert);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(alert));
        test::savePicture(*alert, QStringLiteral("account-") + QString::fromLatin1(name));
        alert->reject();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.signOutAlert(); }));
    }
}
