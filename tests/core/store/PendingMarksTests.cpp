#include "store/CaptureStore.h"

#include "CountingNotifier.h"
#include "TempLibrary.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace tavro;
using namespace tavro::test;

namespace {

struct PendingMarksTest : ::testing::Test {
    TempLibrary library;
    std::shared_ptr<CountingNotifier> notifier = std::make_shared<CountingNotifier>();
    CaptureStore store{library.database(), notifier};

    void addCapture(const char* id, SQLValue workspace, int localOnly = 0,
                    SQLValue pending = nullptr) {
        store.db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, "
                           "workspace_id, local_only, pending) VALUES (?, 1, 1, '', ?, ?, ?);",
                           {id, workspace, localOnly, pending});
    }

    nlohmann::json pending(const char* id) {
        auto row = store.db().query("SELECT pending FROM captures WHERE id = ?;", {id}).front();
        auto text = row.string("pending");
        return text ? nlohmann::json::parse(*text) : nlohmann::json();
    }

    std::string syncState(const char* id) {
        return *store.db()
                    .query("SELECT sync_state FROM captures WHERE id = ?;", {id})
                    .front()
                    .string("sync_state");
    }
};

} // namespace

TEST_F(PendingMarksTest, SharedRowsCollectFieldNames) {
    addCapture("shared", "w1", 0, R"({"*":true})");
    store.markPending("captures", "shared", {"note"});
    store.markPending("captures", "shared", {"status", "note"});
    EXPECT_EQ(pending("shared"), (nlohmann::json{{"*", true}, {"note", true}, {"status", true}}));
    EXPECT_EQ(syncState("shared"), "pendingPush");

    addCapture("local", nullptr);
    addCapture("localOnly", "w1", 1);
    for (auto id : {"local", "localOnly"}) {
        store.markPending("captures", id, {"note"});
        EXPECT_TRUE(pending(id).is_null()) << id;
        EXPECT_EQ(syncState(id), "local") << id;
    }
    store.markPending("comments", "shared", {"body"}); // not a marked table: nothing happens
    store.markPending("captures; DROP TABLE captures", "shared", {"x"});
    EXPECT_EQ(pending("shared").size(), 3u);
    EXPECT_EQ(notifier->count, 0);
}

TEST_F(PendingMarksTest, ADamagedMarkIsMergedAsEmpty) {
    for (auto damaged : {"not json", "[1,2]", "true", "\"text\""}) {
        store.db().execute("DELETE FROM captures;");
        addCapture("c", "w1", 0, damaged);
        store.markPending("captures", "c", {"note"});
        EXPECT_EQ(pending("c"), (nlohmann::json{{"note", true}})) << damaged;
    }
}

TEST_F(PendingMarksTest, DecodingFallsBackToDefaults) {
    store.db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, status, "
                       "priority, capture_mode, sync_state, version) VALUES ('c', 10, 11, '', "
                       "'blocked', 'urgent', 'video', 'gone', 'three');");
    auto capture = store.rawCapture("c");
    ASSERT_TRUE(capture);
    EXPECT_EQ(capture->status, CaptureStatus::open);
    EXPECT_EQ(capture->priority, CapturePriority::normal);
    EXPECT_EQ(capture->captureMode, CaptureMode::region);
    EXPECT_EQ(capture->syncState, SyncState::local);
    EXPECT_EQ(capture->version, 0);
    EXPECT_EQ(capture->createdAt, 10);

    Row empty;
    auto decoded = CaptureStore::decodeCapture(empty);
    EXPECT_EQ(decoded.id.size(), 36u);
    EXPECT_GT(decoded.createdAt, 1.7e9);

    store.db().execute("UPDATE captures SET deleted_at = 5 WHERE id = 'c';");
    EXPECT_FALSE(store.capture("c"));
    EXPECT_TRUE(store.rawCapture("c"));
}

TEST_F(PendingMarksTest, ActivityKeepsTheFirstRowOfAnId) {
    addCapture("c", nullptr);
    store.setSyncMeta("user_id", "u1");
    store.recordActivity("c", "created", "Region", "you", "e1", 100);
    store.recordActivity("c", "created", "changed", "you", "e1", 200);
    store.recordActivity("c", "claimed", "", "Server", "e2", 300, std::nullopt, true);
    auto rows = store.db().query("SELECT * FROM activity ORDER BY created_at;");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].string("detail"), "Region");
    EXPECT_EQ(rows[0].string("actor_id"), "u1");
    EXPECT_EQ(rows[1].string("actor_id"), std::nullopt);
    EXPECT_TRUE(rows[1].boolValue("remote"));
    EXPECT_THROW(store.recordActivity("missing", "created", "", "you", "e3", 1), DatabaseError);
}
