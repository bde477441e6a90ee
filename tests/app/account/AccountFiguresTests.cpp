// The account's figures as the library's reader publishes them, over a real library file.
#include "LibraryFixture.h"

#include "ledger/SyncLedger.h"
#include "model/Paths.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

using namespace tavro;
using tavro::test::LibraryFixture;

TEST(AccountFigures, FollowTheStoreThroughTheLibrarysReader) {
    LibraryFixture f;
    // Writes the sync engine makes through a connection of its own.
    CaptureStore engine(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    const Capture local = LibraryFixture::makeCapture("local");
    const Capture moved = LibraryFixture::makeCapture("moved");
    Capture filed = LibraryFixture::makeCapture("filed");
    filed.workspaceID = "w1";
    const Person ada{"u1", "Ada Row", "ada@example.test", {}, "person"};

    struct Expected {
        std::int64_t local;
        std::optional<std::string> me;
        std::optional<std::string> newestLog;
        std::optional<std::string> defaultWorkspace;
        bool operator==(const Expected&) const = default;
    };
    struct Case {
        const char* name;
        std::function<void()> act;
        Expected expected;
        // Whether the account tells its views of a change.
        bool changes = true;
    };
    const std::vector<Case> cases{
        {"a capture added here is local",
         [&] { ASSERT_TRUE(test::awaitWrite(f.library->add(local, {}, {}))); },
         {1, {}, {}, {}}},
        {"one filed in a workspace is not",
         [&] { ASSERT_TRUE(test::awaitWrite(f.library->add(filed, {}, {}))); },
         {1, {}, {}, {}},
         false},
        {"another local one",
         [&] { ASSERT_TRUE(test::awaitWrite(f.library->add(moved, {}, {}))); },
         {2, {}, {}, {}}},
        {"moved into the workspace by the engine",
         [&] {
             engine.db().execute("UPDATE captures SET workspace_id = 'w1' WHERE id = ?;",
                                 {moved.id});
             f.account->reload();
         },
         {1, {}, {}, {}}},
        {"signed in",
         [&] {
             engine.setSyncMeta("user_id", ada.id);
             SyncLedger(engine).upsertPerson(ada);
             SyncLedger(engine).replaceWorkspaces({{"w1", "Team"}});
             engine.setSyncMeta("default_workspace_id", "w1");
             SyncLedger(engine).log("info", "Signed in");
             f.account->reload();
         },
         {1, "Ada Row", "Signed in", "Team"}},
        {"a pass logs without moving the board",
         [&] {
             SyncLedger(engine).log("info", "Synced 2 captures");
             f.account->reload();
         },
         {1, "Ada Row", "Synced 2 captures", "Team"}},
        {"a deleted capture is no longer counted",
         [&] { ASSERT_TRUE(test::awaitWrite(f.library->deleteCapture(local.id))); },
         {0, "Ada Row", "Synced 2 captures", "Team"}},
        {"signed out",
         [&] {
             engine.setSyncMeta("user_id", std::nullopt);
             engine.setSyncMeta("default_workspace_id", std::nullopt);
             SyncLedger(engine).log("info", "Signed out");
             f.account->reload();
         },
         {0, {}, "Signed out", {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy changed(f.account.get(), &Account::accountChanged);
        c.act();
        f.settle();
        const Account& account = *f.account;
        const Expected shown{
            account.localCaptureCount(),
            account.me() ? std::optional(account.me()->name) : std::nullopt,
            account.log().empty() ? std::nullopt : std::optional(account.log().front().message),
            account.defaultWorkspace() ? std::optional(account.defaultWorkspace()->name)
                                       : std::nullopt};
        EXPECT_EQ(shown.local, c.expected.local);
        EXPECT_EQ(shown.me, c.expected.me);
        EXPECT_EQ(shown.newestLog, c.expected.newestLog);
        EXPECT_EQ(shown.defaultWorkspace, c.expected.defaultWorkspace);
        EXPECT_EQ(changed.count() > 0, c.changes);
        // Kept up to date by what moved, it never drifts from a count of the rows.
        EXPECT_EQ(shown.local, readAccountRecords(engine).localCaptureCount);
    }
}
