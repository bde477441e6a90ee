// What the account pane shows for each state of the account, without its widgets.
#include "account/AccountPaneModel.h"

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::AccountPaneModel;
using Kind = SyncStatus::Kind;

namespace {

Person user(std::optional<std::string> email = "ada@example.com") {
    return Person{.id = "u1", .name = "Ada Lovelace", .email = std::move(email), .kind = "person"};
}

Workspace workspace(std::string id, std::string name) {
    return Workspace{.id = std::move(id), .name = std::move(name), .slug = {}, .role = "owner"};
}

Snapshot signedInAs(Kind kind = Kind::idle) {
    Snapshot account;
    account.status.kind = kind;
    account.statusLine = "Synced";
    account.me = user();
    account.workspaces = {workspace("w1", "Acme")};
    account.defaultWorkspaceID = "w1";
    return account;
}

} // namespace

TEST(AccountPane, TheSignedInContentNeedsAUserAndALiveSession) {
    const struct {
        Kind kind;
        bool me;
        Page page;
    } cases[] = {
        {Kind::idle, true, Page::signedIn},
        {Kind::syncing, true, Page::signedIn},
        {Kind::offline, true, Page::signedIn},
        {Kind::failed, true, Page::signedIn},
        {Kind::idle, false, Page::signedOut}, // no user id stored yet
        {Kind::signedOut, true, Page::signedOut},
        {Kind::sessionExpired, true, Page::signedOut},
        {Kind::sessionExpired, false, Page::signedOut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.kind) << " me " << c.me);
        Snapshot account = signedInAs(c.kind);
        if (!c.me)
            account.me.reset();
        EXPECT_EQ(page(account), c.page);
    }
}

TEST(AccountPane, SignedOutShowsTheExpiredNoteThePendingCodeAndTheError) {
    const DeviceCode code{.deviceCode = "d", .userCode = "WDJB-MJHT"};
    const struct {
        Kind kind;
        std::optional<DeviceCode> pending;
        std::optional<std::string> error;
        SignedOut shown;
    } cases[] = {
        {Kind::signedOut, std::nullopt, std::nullopt, {false, std::nullopt, std::nullopt}},
        {Kind::sessionExpired, std::nullopt, std::nullopt, {true, std::nullopt, std::nullopt}},
        {Kind::signedOut, code, std::nullopt, {false, "WDJB-MJHT", std::nullopt}},
        // A code and an error at once: the code view, and the error below it.
        {Kind::signedOut,
         code,
         "That code expired. Start again to get a new one.",
         {false, "WDJB-MJHT", "That code expired. Start again to get a new one."}},
        {Kind::sessionExpired,
         std::nullopt,
         "The sign-in was denied in the browser.",
         {true, std::nullopt, "The sign-in was denied in the browser."}},
    };
    for (const auto& c : cases) {
        Snapshot account;
        account.status.kind = c.kind;
        account.me = user();
        account.pendingCode = c.pending;
        account.signInError = c.error;
        EXPECT_EQ(signedOut(account), c.shown);
    }
}

TEST(AccountPane, StatusRowColoursTheDotAndHoldsSyncNowWhileSyncing) {
    const struct {
        Kind kind;
        DynamicColor dot;
        bool canSyncNow;
    } cases[] = {
        {Kind::idle, Theme::statusResolved, true},
        {Kind::offline, Theme::statusArchived, true},
        {Kind::failed, Theme::priorityHigh, true},
        {Kind::syncing, Theme::statusInProgress, false},
        {Kind::signedOut, Theme::textTertiary, true},
        {Kind::sessionExpired, Theme::textTertiary, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.kind));
        Snapshot account = signedInAs(c.kind);
        account.statusLine = "Sync problem — Server error";
        const SignedIn shown = signedIn(account);
        EXPECT_EQ(shown.dot, c.dot);
        EXPECT_EQ(shown.canSyncNow, c.canSyncNow);
        EXPECT_EQ(shown.statusLine, "Sync problem — Server error");
        EXPECT_EQ(shown.person, user());
    }
}

TEST(AccountPane, WorkspacePickerHintAndTheCapturesOnlyHere) {
    const std::vector<Workspace> one{workspace("w1", "Acme")};
    const std::vector<Workspace> two{workspace("w1", "Acme"),
                                     workspace("w2", "Side <b>project</b>")};
    const struct {
        std::vector<Workspace> workspaces;
        std::optional<std::string> defaultID;
        std::int64_t local;
        std::optional<std::size_t> selected;
        bool hint;
        std::optional<LocalCaptures> row;
    } cases[] = {
        {one, "w1", 0, 0, false, std::nullopt},
        {two, "w2", 1, 1, true,
         LocalCaptures{"1 capture only on this computer",
                       "Filed before you signed in. Move them to Side <b>project</b> and they sync "
                       "like everything else.",
                       true}},
        {two, "w1", 2, 0, true,
         LocalCaptures{"2 captures only on this computer",
                       "Filed before you signed in. Move them to Acme and they sync like "
                       "everything else.",
                       true}},
        // A default that names no workspace: no option chosen, moving still offered.
        {one, "gone", 12, std::nullopt, false,
         LocalCaptures{"12 captures only on this computer",
                       "Filed before you signed in. Move them to your workspace and they sync "
                       "like everything else.",
                       true}},
        {{},
         std::nullopt,
         3,
         std::nullopt,
         false,
         LocalCaptures{"3 captures only on this computer",
                       "Filed before you signed in. Move them to your workspace and they sync "
                       "like everything else.",
                       false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.local);
        Snapshot account = signedInAs();
        account.workspaces = c.workspaces;
        account.defaultWorkspaceID = c.defaultID;
        account.localCaptureCount = c.local;
        const SignedIn shown = signedIn(account);
        ASSERT_EQ(shown.workspaces.size(), c.workspaces.size());
        for (size_t i = 0; i < c.workspaces.size(); ++i)
            EXPECT_EQ(shown.workspaces[i],
                      (WorkspaceOption{c.workspaces[i].name, c.workspaces[i].id}));
        EXPECT_EQ(shown.selectedWorkspace, c.selected);
        EXPECT_EQ(shown.workspaceHint, c.hint);
        EXPECT_EQ(shown.local, c.row);
    }
}

TEST(AccountPane, LogKeepsItsOrderAndOnlyErrorsAreRed) {
    Snapshot account = signedInAs();
    EXPECT_TRUE(signedIn(account).log.empty());
    account.log = {
        {3, 300, "error", "Push failed: capture 1a2b3c4d"},
        {2, 200, "warn", "Gave up on group 9f8e7d6c"},
        {1, 100, "info", "Signed in as Ada"},
        {0, 50, "Error", "Case matters"},
    };
    const std::vector<LogRow> expected{
        {3, 300, "Push failed: capture 1a2b3c4d", Theme::priorityHigh},
        {2, 200, "Gave up on group 9f8e7d6c", Theme::textSecondary},
        {1, 100, "Signed in as Ada", Theme::textSecondary},
        {0, 50, "Case matters", Theme::textSecondary},
    };
    EXPECT_EQ(signedIn(account).log, expected);
}

TEST(AccountPane, TheSignOutMessageSaysHowManyChangesWouldBeLost) {
    const std::string designed = "The account's captures leave this computer; they stay in your "
                                 "workspace. Captures that were never synced stay here.";
    const std::vector<std::pair<std::optional<std::int64_t>, std::string>> cases = {
        {std::nullopt, designed},
        {0, designed},
        {1, designed + "\n\n1 change not yet synced will be lost."},
        {1200, designed + "\n\n1200 changes not yet synced will be lost."},
    };
    for (const auto& [lost, message] : cases)
        EXPECT_EQ(signOutMessage(lost), message) << lost.value_or(-1);
}
