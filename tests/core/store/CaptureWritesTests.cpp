#include "BoardFixture.h"

#include <algorithm>
#include <functional>

using namespace tavro;
using namespace tavro::test;

namespace {

using CaptureWritesTest = BoardFixture;

} // namespace

TEST_F(CaptureWritesTest, InsertDecidesSharingFromWorkspaceAndLocalOnly) {
    struct Case {
        const char* name;
        std::optional<std::string> workspace;
        bool localOnly;
        std::optional<std::string> defaultWorkspace;
        std::optional<std::string> storedWorkspace;
        bool shared;
    };
    const Case cases[] = {
        {"joins the default workspace", std::nullopt, false, "w-default", "w-default", true},
        {"no default workspace", std::nullopt, false, std::nullopt, std::nullopt, false},
        {"own workspace", "w1", false, "w-default", "w1", true},
        {"local-only ignores the default", std::nullopt, true, "w-default", std::nullopt, false},
        {"local-only keeps its workspace", "w1", true, "w-default", "w1", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        store.setSyncMeta("default_workspace_id", c.defaultWorkspace);
        auto capture = sample("c" + std::to_string(n++));
        capture.workspaceID = c.workspace;
        capture.localOnly = c.localOnly;
        capture.syncState = SyncState::synced; // what an unshared capture must keep
        capture.dirty = false;
        notifier->count = 0;
        store.insert(capture);
        EXPECT_EQ(notifier->count, 1) << c.name;

        auto stored = store.rawCapture(capture.id);
        ASSERT_TRUE(stored) << c.name;
        EXPECT_EQ(stored->workspaceID, c.storedWorkspace) << c.name;
        EXPECT_EQ(stored->syncState, c.shared ? SyncState::pendingPush : SyncState::synced)
            << c.name;
        EXPECT_EQ(stored->dirty, c.shared) << c.name;
        const auto expectedMark = c.shared ? nlohmann::json{{"*", true}} : nlohmann::json();
        EXPECT_EQ(pending(capture.id), expectedMark) << c.name;
    }
}

TEST_F(CaptureWritesTest, InsertStoresTheRecordWithItsCreatedEvent) {
    struct Case {
        std::string imagePath;
        CaptureMode mode;
        const char* detail;
    };
    const Case cases[] = {
        {"2026/03/a.png", CaptureMode::region, "Region"},
        {"2026/03/b.png", CaptureMode::fullscreen, "Full Screen"},
        {"2026/03/c.png", CaptureMode::window, "Window"},
        {"", CaptureMode::text, "no screenshot"},
        {"", CaptureMode::region, "no screenshot"},
    };
    store.setSyncMeta("user_id", "u1");
    int n = 0;
    for (const auto& c : cases) {
        auto capture = sample("c" + std::to_string(n++), 1234.5);
        capture.imagePath = c.imagePath;
        capture.captureMode = c.mode;
        capture.displayScale = 2;
        capture.claimedAt = 77.25;
        capture.remoteID = "r1";
        capture.version = 3;
        capture.appName = "Files";
        store.insert(capture);

        auto expected = capture;
        expected.authorID = "u1";
        EXPECT_EQ(store.capture(capture.id), expected) << c.detail;
        auto history = store.activity(capture.id);
        ASSERT_EQ(history.size(), 1u);
        EXPECT_EQ(history[0].kind, "created");
        EXPECT_EQ(history[0].detail, c.detail);
        EXPECT_EQ(history[0].actor, "you");
        EXPECT_EQ(history[0].actorID, "u1");
        EXPECT_FALSE(history[0].remote);
        EXPECT_EQ(history[0].id.size(), 36u);
    }

    store.setSyncMeta("user_id", std::nullopt);
    auto anonymous = sample("anonymous");
    store.insert(anonymous);
    EXPECT_EQ(store.capture("anonymous")->authorID, std::nullopt);
    EXPECT_EQ(store.activity("anonymous")[0].actorID, std::nullopt);
    auto authored = sample("authored");
    authored.authorID = "someone";
    store.insert(authored);
    EXPECT_EQ(store.capture("authored")->authorID, "someone");
}

TEST_F(CaptureWritesTest, AFailedInsertLeavesNothingBehind) {
    add(sample("c"));
    auto again = sample("c");
    again.note = "second";
    EXPECT_THROW(store.insert(again), DatabaseError);
    EXPECT_EQ(store.capture("c")->note, "Note of c");
    EXPECT_EQ(store.activity("c").size(), 1u);
    EXPECT_EQ(notifier->count, 0);

    // The event fails after the row was written: the row goes too.
    store.db().executeRaw("CREATE TRIGGER no_events BEFORE INSERT ON activity "
                          "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(store.insert(sample("d")), DatabaseError);
    EXPECT_EQ(store.rawCapture("d"), std::nullopt);
    EXPECT_EQ(notifier->count, 0);
}

TEST_F(CaptureWritesTest, UpdateMarksTheFieldsThatChanged) {
    struct Case {
        const char* name;
        std::function<void(Capture&)> change;
        std::vector<std::string> marked;
    };
    const Case cases[] = {
        {"note", [](Capture& c) { c.note = "Changed"; }, {"note"}},
        {"same note, other normal form", [](Capture& c) { c.note = "Caf\u00E9"; }, {}},
        {"status and priority",
         [](Capture& c) {
             c.status = CaptureStatus::archived;
             c.priority = CapturePriority::low;
         },
         {"status", "priority"}},
        {"context",
         [](Capture& c) {
             c.groupID.reset();
             c.appName = "Other";
             c.appBundleID.reset();
             c.windowTitle = "";
             c.url = "https://example.com/b";
         },
         {"group_id", "app_name", "app_bundle_id", "window_title", "url"}},
        {"claim",
         [](Capture& c) {
             c.claimedBy = "Agent";
             c.claimedByID = "u2";
             c.claimedAt = 2000;
         },
         {"claimed_label", "claimed_by_id", "claimed_at"}},
        {"resolution",
         [](Capture& c) {
             c.resolvedAt = 3000;
             c.resolutionRef = "abc123";
             c.assigneeID = "u3";
         },
         {"resolved_at", "resolution_ref", "assignee_id"}},
        {"thumbnail only", [](Capture& c) { c.thumbPath = "other.jpg"; }, {}},
        {"columns that are not rewritten",
         [](Capture& c) {
             c.imagePath = "elsewhere.png";
             c.version = 9;
             c.workspaceID = "w2";
         },
         {}},
        {"deleted", [](Capture& c) { c.deletedAt = 4000; }, {"delete"}},
    };
    store.db().execute("INSERT INTO groups (id, name, created_at, updated_at) VALUES "
                       "('g1', 'G', 1, 1);");
    int n = 0;
    for (const auto& c : cases) {
        auto capture = sample("c" + std::to_string(n++));
        capture.workspaceID = "w1";
        capture.note = "Cafe\u0301";
        capture.groupID = "g1";
        capture.appName = "Files";
        capture.appBundleID = "org.files";
        capture.url = "https://example.com/a";
        add(capture);
        store.db().execute("UPDATE captures SET pending = NULL, dirty = 0, updated_at = 1 "
                           "WHERE id = ?;",
                           {capture.id});

        auto changed = *store.capture(capture.id);
        c.change(changed);
        store.update(changed);
        EXPECT_EQ(notifier->count, 1) << c.name;
        auto stored = *store.rawCapture(capture.id);
        EXPECT_GT(stored.updatedAt, 1) << c.name;
        EXPECT_TRUE(stored.dirty) << c.name;
        EXPECT_EQ(stored.note, changed.note) << c.name;
        EXPECT_EQ(stored.thumbPath, changed.thumbPath) << c.name;
        EXPECT_EQ(stored.imagePath, capture.imagePath) << c.name;
        EXPECT_EQ(stored.workspaceID, "w1") << c.name;
        auto keys = pendingKeys(capture.id);
        std::sort(keys.begin(), keys.end());
        auto expected = c.marked;
        std::sort(expected.begin(), expected.end());
        if (expected.empty())
            EXPECT_TRUE(pending(capture.id).is_null()) << c.name;
        else
            EXPECT_EQ(keys, expected) << c.name;
    }
}

TEST_F(CaptureWritesTest, PendingMarksAccumulateAcrossRewrites) {
    auto capture = sample("c");
    capture.workspaceID = "w1";
    add(capture);
    auto c = *store.capture("c");
    c.note = "First change";
    store.update(c);
    c.status = CaptureStatus::resolved;
    store.update(c);
    EXPECT_EQ(pendingKeys("c"), (std::vector<std::string>{"*", "note", "status"}));

    c.deletedAt = 10;
    store.update(c);
    c.deletedAt.reset();
    store.update(c);
    c.deletedAt = 20;
    store.db().execute("UPDATE captures SET pending = NULL WHERE id = 'c';");
    store.update(c);
    c.deletedAt = 30; // moved, not newly set
    store.update(c);
    EXPECT_EQ(pendingKeys("c"), (std::vector<std::string>{"delete"}));
    EXPECT_EQ(notifier->count, 6);
}

TEST_F(CaptureWritesTest, UpdateOfAnUnsharedRowMarksNothing) {
    auto local = sample("local");
    auto kept = sample("kept");
    kept.workspaceID = "w1";
    kept.localOnly = true;
    for (auto capture : {local, kept}) {
        add(capture);
        capture.note = "changed";
        store.update(capture);
        EXPECT_TRUE(pending(capture.id).is_null()) << capture.id;
        EXPECT_EQ(store.capture(capture.id)->syncState, SyncState::local) << capture.id;
        EXPECT_EQ(store.capture(capture.id)->note, "changed") << capture.id;
    }

    // No row at all: nothing written, the notification still goes out.
    notifier->count = 0;
    store.update(sample("missing"));
    EXPECT_EQ(store.rawCapture("missing"), std::nullopt);
    EXPECT_EQ(notifier->count, 1);
}

TEST_F(CaptureWritesTest, ADamagedPendingMarkDoesNotBlockRewrites) {
    auto capture = sample("c");
    capture.workspaceID = "w1";
    add(capture);
    store.db().execute("UPDATE captures SET pending = '[\"note\"' WHERE id = 'c';");
    auto c = *store.capture("c");
    c.priority = CapturePriority::high;
    EXPECT_NO_THROW(store.update(c));
    EXPECT_EQ(pending("c"), (nlohmann::json{{"priority", true}}));
}

TEST_F(CaptureWritesTest, AFailedMarkUndoesTheRewrite) {
    auto capture = sample("c");
    capture.workspaceID = "w1";
    add(capture);
    store.db().executeRaw("CREATE TRIGGER no_marks BEFORE UPDATE OF pending ON captures "
                          "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    auto c = *store.capture("c");
    c.note = "lost?";
    EXPECT_THROW(store.update(c), DatabaseError);
    EXPECT_EQ(store.capture("c")->note, "Note of c");
    EXPECT_EQ(notifier->count, 0);
}
