#include "SyncFixture.h"

#include "model/Wire.h"

#include <functional>

using namespace tavro;
using namespace tavro::test;
using nlohmann::json;

namespace {

struct PushRecordsTest : SyncFixture {
    // A capture in the workspace, waiting to be pushed whole, with two tags.
    Capture addShared(const std::string& id) {
        Capture c;
        c.id = id;
        c.createdAt = 1714566600.25;
        c.updatedAt = c.createdAt;
        c.note = "Broken button";
        c.status = CaptureStatus::inProgress;
        c.priority = CapturePriority::high;
        c.imagePath = "2024/05/" + id + ".png";
        c.captureMode = CaptureMode::window;
        c.appName = "Safari";
        c.displayScale = 2;
        c.claimedBy = "Claude · Ada";
        c.claimedAt = 1714566700.5;
        c.workspaceID = workspace;
        store.insert(c);
        store.setTags({"UI", "bug"}, id);
        return c;
    }

    void addImageRow(const std::string& id, const std::string& captureID, const char* state,
                     const std::optional<std::string>& mark,
                     const std::optional<std::string>& original = std::string(64, 'a'),
                     const std::optional<std::string>& annotation = {}) {
        store.db().execute(
            "INSERT INTO capture_images (id, capture_id, position, image_path, width, height, "
            "bytes, annotation_json, created_at, sync_state, original_sha256, pending, version) "
            "VALUES (?, ?, 1, 'x.png', 10, 20, 30, ?, 1714566600, ?, ?, ?, 4);",
            {id, captureID, annotation, state, original, mark});
    }
};

} // namespace

TEST_F(PushRecordsTest, AWholeCaptureCarriesItsTwentyOneKeys) {
    addShared("c1");
    auto pending = listed("captures", "c1");
    EXPECT_TRUE(pending.fields.count("*"));
    auto record = ledger.captureChange(pending);
    ASSERT_TRUE(record);
    EXPECT_EQ(keys(*record), (std::set<std::string>{"table", "id", "base_version", "patch"}));
    EXPECT_EQ((*record)["table"], "captures");
    EXPECT_EQ((*record)["id"], "c1");
    EXPECT_EQ((*record)["base_version"], 0);
    const json& patch = (*record)["patch"];
    EXPECT_EQ(patch.size(), 21u);
    const json expected = {
        {"workspace_id", "w1"},
        {"group_id", nullptr},
        {"note", "Broken button"},
        {"status", "in_progress"},
        {"priority", "high"},
        {"tags", {"bug", "ui"}},
        {"app_name", "Safari"},
        {"app_bundle_id", nullptr},
        {"window_title", nullptr},
        {"url", nullptr},
        {"display_name", nullptr},
        {"display_scale", 2.0},
        {"capture_mode", "window"},
        {"claimed_by_id", nullptr},
        {"claimed_label", "Claude · Ada"},
        {"claimed_at", "2024-05-01T12:31:40.500Z"},
        {"resolved_at", nullptr},
        {"resolution_ref", nullptr},
        {"assignee_id", nullptr},
        {"created_at", "2024-05-01T12:30:00.250Z"},
        {"captured_at", "2024-05-01T12:30:00.250Z"},
    };
    EXPECT_EQ(patch, expected);
}

TEST_F(PushRecordsTest, CaptureRecordsFollowTheMark) {
    addShared("c1");
    struct Case {
        std::optional<std::string> mark;
        bool deleted;
        bool inWorkspace;
        std::optional<std::set<std::string>> patchKeys; // nothing: no record
        bool deleteRecord;
    };
    const Case cases[] = {
        {R"({"note":true,"tags":true,"bogus":true})", false, true,
         std::set<std::string>{"note", "tags"}, false},
        {R"({"claimed_label":true,"claimed_by_id":true,"claimed_at":true})", false, true,
         std::set<std::string>{"claimed_label", "claimed_by_id", "claimed_at"}, false},
        {R"({"bogus":true})", false, true, std::nullopt, false},
        {R"({"*":true,"delete":true})", false, true, std::nullopt, true},
        {R"({"note":true})", true, false, std::nullopt, true},
        {R"({"*":true})", false, false, std::nullopt, false},
        {std::nullopt, false, true, std::nullopt, false},
        {R"(["note"])", false, true, std::nullopt, false},
        {"not json", false, true, std::nullopt, false},
    };
    for (const auto& c : cases) {
        setState("captures", "c1", "pendingPush", c.mark);
        store.db().execute("UPDATE captures SET deleted_at = ?, workspace_id = ? WHERE id = 'c1';",
                           {c.deleted ? SQLValue(5.0) : SQLValue(),
                            c.inWorkspace ? SQLValue(workspace) : SQLValue()});
        auto record = ledger.captureChange(listed("captures", "c1"));
        const auto label = c.mark.value_or("NULL");
        if (c.deleteRecord) {
            ASSERT_TRUE(record) << label;
            EXPECT_EQ(
                *record,
                (json{{"table", "captures"}, {"id", "c1"}, {"base_version", 0}, {"delete", true}}))
                << label;
        } else if (c.patchKeys) {
            ASSERT_TRUE(record) << label;
            EXPECT_EQ(keys((*record)["patch"]), *c.patchKeys) << label;
        } else {
            EXPECT_FALSE(record) << label;
        }
    }
    EXPECT_FALSE(ledger.captureChange({"gone", {"*"}, 0, R"({"*":true})"}));
}

TEST_F(PushRecordsTest, GroupRecords) {
    addGroup("g1", "Web", workspace, "pendingPush");
    store.db().execute("UPDATE groups SET color_hex = '#112233', archived_at = 1714566600, "
                       "visibility = 'workspace', version = 3 WHERE id = 'g1';");
    addGroup("g2", "Local", std::nullopt, "pendingPush");

    auto whole = ledger.groupChange({"g1", {"*", "archived_at"}, 3, {}});
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, (json{{"table", "groups"},
                            {"id", "g1"},
                            {"base_version", 3},
                            {"patch",
                             {{"workspace_id", "w1"},
                              {"name", "Web"},
                              {"color_hex", "#112233"},
                              {"visibility", "workspace"}}}}));

    auto archived = ledger.groupChange({"g1", {"archived_at", "bogus"}, 3, {}});
    ASSERT_TRUE(archived);
    EXPECT_EQ((*archived)["patch"], (json{{"archived_at", "2024-05-01T12:30:00.000Z"}}));
    store.db().execute("UPDATE groups SET archived_at = NULL WHERE id = 'g1';");
    archived = ledger.groupChange({"g1", {"archived_at"}, 3, {}});
    ASSERT_TRUE(archived);
    EXPECT_TRUE((*archived)["patch"]["archived_at"].is_null());

    EXPECT_FALSE(ledger.groupChange({"g2", {"*"}, 0, {}}));
    EXPECT_FALSE(ledger.groupChange({"g1", {"visibility"}, 3, {}}));
    EXPECT_FALSE(ledger.groupChange({"gone", {"*"}, 0, {}}));
}

TEST_F(PushRecordsTest, ScreenshotRecords) {
    addShared("c1");
    addImageRow("i1", "c1", "pendingPush", R"({"*":true})", std::string(64, 'a'),
                R"({"shapes": []})");
    addImageRow("i2", "c1", "pendingPush", R"({"*":true})", std::nullopt);
    addImageRow("i3", "c1", "pendingPush", R"({"annotation_json":true})", std::string(64, 'b'),
                "{broken");
    store.db().execute("UPDATE capture_images SET marked_sha256 = ? WHERE id = 'i1';",
                       {std::string(64, 'c')});

    auto whole = ledger.imageChange(listed("capture_images", "i1"), *ledger.rawImage("i1"));
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, (json{{"table", "capture_images"},
                            {"id", "i1"},
                            {"base_version", 4},
                            {"patch",
                             {{"capture_id", "c1"},
                              {"position", 1},
                              {"original_sha256", std::string(64, 'a')},
                              {"marked_sha256", std::string(64, 'c')},
                              {"thumb_sha256", nullptr},
                              {"width", 10},
                              {"height", 20},
                              {"bytes", 30},
                              {"annotation_json", {{"shapes", json::array()}}},
                              {"created_at", "2024-05-01T12:30:00.000Z"}}}}));

    EXPECT_FALSE(ledger.imageChange(listed("capture_images", "i2"), *ledger.rawImage("i2")))
        << "not uploaded yet";
    auto broken = ledger.imageChange(listed("capture_images", "i3"), *ledger.rawImage("i3"));
    ASSERT_TRUE(broken);
    EXPECT_EQ((*broken)["patch"], (json{{"annotation_json", nullptr}}));

    store.db().execute("UPDATE capture_images SET deleted_at = 9 WHERE id = 'i2';");
    auto deleted = ledger.imageChange(listed("capture_images", "i2"), *ledger.rawImage("i2"));
    ASSERT_TRUE(deleted);
    EXPECT_EQ(
        *deleted,
        (json{{"table", "capture_images"}, {"id", "i2"}, {"base_version", 4}, {"delete", true}}));
}

TEST_F(PushRecordsTest, CommentRecordsHaveNoVersion) {
    addShared("c1");
    Comment comment{"k1",          "c1", "Claude",       true,      "Looks fixed",
                    1714566600.25, "u1", "Claude · Ada", "comment", SyncState::pendingPush};
    store.addComment(comment);
    auto listed = ledger.pendingComments(200);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(ledger.commentChange(listed.front()),
              (json{{"table", "comments"},
                    {"id", "k1"},
                    {"patch",
                     {{"capture_id", "c1"},
                      {"body", "Looks fixed"},
                      {"created_at", "2024-05-01T12:30:00.250Z"},
                      {"is_agent", true},
                      {"actor_label", "Claude · Ada"},
                      {"kind", "comment"}}}}));
    comment.actorLabel.reset();
    EXPECT_TRUE(ledger.commentChange(comment)["patch"]["actor_label"].is_null());
}

TEST_F(PushRecordsTest, ListsTheOldestPendingRowsOfKnownTablesOnly) {
    for (int i = 0; i < 250; ++i)
        store.db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, "
                           "workspace_id, sync_state, pending, version) "
                           "VALUES (?, ?, 1, '', 'w1', 'pendingPush', ?, ?);",
                           {"c" + std::to_string(i), double(1000 - i),
                            i % 2 ? SQLValue(R"({"note":true})") : SQLValue(), i});
    addCapture("synced", workspace);
    setState("captures", "synced", "synced");
    auto listed = ledger.pending("captures", 200);
    ASSERT_EQ(listed.size(), 200u);
    EXPECT_EQ(listed.front().id, "c249");
    EXPECT_EQ(listed.back().id, "c50");
    EXPECT_EQ(listed.front(), (SyncLedger::Pending{"c249", {"note"}, 249, R"({"note":true})"}));
    EXPECT_EQ(listed.back(), (SyncLedger::Pending{"c50", {}, 50, std::nullopt}));
    EXPECT_TRUE(ledger.pending("comments", 200).empty());
    EXPECT_TRUE(ledger.pending("captures; DROP TABLE captures", 200).empty());
    EXPECT_EQ(count("FROM captures"), 251);
}

TEST_F(PushRecordsTest, PendingFieldsReadOnlyObjectKeys) {
    EXPECT_EQ(SyncLedger::pendingFields(R"({"note":false,"*":true})"),
              (std::set<std::string>{"*", "note"}));
    EXPECT_TRUE(SyncLedger::pendingFields(std::nullopt).empty());
    EXPECT_TRUE(SyncLedger::pendingFields(R"(["note"])").empty());
    EXPECT_TRUE(SyncLedger::pendingFields("{").empty());
    EXPECT_TRUE(SyncLedger::pendingFields("").empty());
}

TEST_F(PushRecordsTest, MarkingSyncedClearsTheRowAndItsLocalHistory) {
    addShared("c1");
    store.recordActivity("c1", "commented", "remote one", "Ada", "remote-event", 5, {}, true);
    addGroup("g1", "Web", workspace, "pendingPush", R"({"name":true})");
    store.db().execute("UPDATE groups SET version = 7, dirty = 1 WHERE id = 'g1';");

    auto pending = listed("captures", "c1");
    auto record = ledger.captureChange(pending);
    EXPECT_TRUE(ledger.markSynced("captures", pending, 12, record));
    auto synced = *store.rawCapture("c1");
    EXPECT_EQ(synced.syncState, SyncState::synced);
    EXPECT_FALSE(text("captures", "c1", "pending"));
    EXPECT_EQ(synced.version, 12);
    EXPECT_FALSE(synced.dirty);
    auto history = store.activity("c1");
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.front().id, "remote-event");

    const auto activityBefore = count("FROM activity");
    auto group = listed("groups", "g1");
    EXPECT_TRUE(ledger.markSynced("groups", group, std::nullopt, ledger.groupChange(group)));
    EXPECT_EQ(text("groups", "g1", "sync_state"), "synced");
    EXPECT_EQ(row("groups", "g1").intValue("version"), 7);
    EXPECT_EQ(row("groups", "g1").intValue("dirty"), 0);
    EXPECT_EQ(count("FROM activity"), activityBefore);

    EXPECT_FALSE(ledger.markSynced("comments", group, 1));
    EXPECT_FALSE(ledger.markSynced("groups", {"gone", {}, 0, {}}, 1));
}

// A new group goes to the server whole, and the whole group carries no archive time: one
// archived (deleted) before that first push must still reach the server archived.
TEST_F(PushRecordsTest, AGroupArchivedBeforeItsFirstPushIsArchivedOnTheServerToo) {
    store.setSyncMeta("default_workspace_id", workspace);
    for (const bool archived : {true, false}) {
        SCOPED_TRACE(archived ? "archived" : "live");
        const std::string id = archived ? "g-archived" : "g-live";
        store.upsertGroup({.id = id, .name = id, .colorHex = "#6E7BF2", .createdAt = 1});
        if (archived)
            store.deleteGroup(id);

        auto whole = listed("groups", id);
        auto record = ledger.groupChange(whole);
        ASSERT_TRUE(record);
        EXPECT_FALSE((*record)["patch"].contains("archived_at"));
        EXPECT_EQ(ledger.markSynced("groups", whole, 3, record), !archived);
        EXPECT_EQ(row("groups", id).intValue("version"), 3);
        if (!archived) {
            EXPECT_EQ(text("groups", id, "sync_state"), "synced");
            continue;
        }
        EXPECT_EQ(text("groups", id, "sync_state"), "pendingPush");
        auto archive = ledger.groupChange(listed("groups", id));
        ASSERT_TRUE(archive);
        EXPECT_EQ((*archive)["base_version"], 3);
        EXPECT_EQ((*archive)["patch"],
                  (json{{"archived_at", Wire::stamp(store.group(id)->archivedAt)}}));
        EXPECT_TRUE(ledger.markSynced("groups", listed("groups", id), 4, archive));
        EXPECT_EQ(text("groups", id, "sync_state"), "synced");
        EXPECT_FALSE(text("groups", id, "pending"));
    }
}

// The agent server, or the user, edits the capture while its push is on the way: the server's
// acceptance covers only what was sent, so the row stays pending for the next push.
TEST_F(PushRecordsTest, AnEditWhileThePushIsInFlightStaysPending) {
    addShared("c1");
    ledger.markSynced("captures", listed("captures", "c1"), 1, std::nullopt);

    struct Case {
        const char* name;
        std::function<void(Capture&)> firstEdit;
        std::function<void(Capture&)> editInFlight; // none: nothing happens meanwhile
        bool staysPending;
    };
    const Case cases[] = {
        {"another field", [](Capture& c) { c.note = "first"; },
         [](Capture& c) { c.priority = CapturePriority::low; }, true},
        {"the same field again", [](Capture& c) { c.note = "second"; },
         [](Capture& c) { c.note = "third"; }, true},
        {"nothing", [](Capture& c) { c.note = "fourth"; }, nullptr, false},
    };
    std::int64_t version = 1;
    for (const auto& c : cases) {
        auto current = *store.capture("c1");
        c.firstEdit(current);
        store.update(current);
        auto pending = listed("captures", "c1");
        auto record = ledger.captureChange(pending);
        ASSERT_TRUE(record) << c.name;
        if (c.editInFlight) {
            auto again = *store.capture("c1");
            c.editInFlight(again);
            store.update(again);
        }
        const auto markBefore = text("captures", "c1", "pending");
        EXPECT_EQ(ledger.markSynced("captures", pending, ++version, record), !c.staysPending)
            << c.name;
        auto after = *store.rawCapture("c1");
        EXPECT_EQ(after.version, version) << c.name;
        if (c.staysPending) {
            EXPECT_EQ(after.syncState, SyncState::pendingPush) << c.name;
            EXPECT_EQ(text("captures", "c1", "pending"), markBefore) << c.name;
            // The next push carries the newer value, on top of the server's version.
            auto next = ledger.captureChange(listed("captures", "c1"));
            ASSERT_TRUE(next);
            EXPECT_EQ((*next)["base_version"], version);
            EXPECT_EQ((*next)["patch"]["note"], after.note);
            ledger.markSynced("captures", listed("captures", "c1"), version, next);
        }
        EXPECT_EQ(store.rawCapture("c1")->syncState, SyncState::synced) << c.name;
    }

    // A row that had nothing to send is cleared only while its mark is the one listed.
    setState("captures", "c1", "pendingPush", R"({"bogus":true})");
    auto nothing = listed("captures", "c1");
    setState("captures", "c1", "pendingPush", R"({"bogus":true,"note":true})");
    EXPECT_FALSE(ledger.markSynced("captures", nothing, std::nullopt));
    EXPECT_EQ(text("captures", "c1", "pending"), R"({"bogus":true,"note":true})");
}

TEST_F(PushRecordsTest, DetachingACaptureMakesItLocal) {
    addShared("c1");
    addImageRow("i1", "c1", "pendingPush", R"({"*":true})");
    store.addComment({"k1", "c1", "you", false, "b", 1, {}, {}, "comment", SyncState::local});
    ledger.markLocalOnly("c1");
    auto local = *store.rawCapture("c1");
    EXPECT_FALSE(local.workspaceID);
    EXPECT_FALSE(local.localOnly);
    EXPECT_EQ(local.syncState, SyncState::local);
    EXPECT_FALSE(text("captures", "c1", "pending"));
    EXPECT_EQ(ledger.rawImage("i1")->syncState, SyncState::local);
    EXPECT_FALSE(text("capture_images", "i1", "pending"));
    EXPECT_EQ(store.comments("c1").front().syncState, SyncState::local);

    // No longer shared: later edits are not marked.
    local.note = "edited";
    store.update(local);
    EXPECT_FALSE(text("captures", "c1", "pending"));
}

TEST_F(PushRecordsTest, RemappingAGroupKeepsItsCaptures) {
    struct Case {
        const char* name;
        bool canonicalExists;
        std::string to;
        bool moved;
    };
    const Case cases[] = {
        {"onto a pulled group", true, "canonical", true},
        {"onto a group not pulled yet", false, "canonical", true},
        {"onto itself", false, "local", false},
        {"onto an id that is not one", false, "../canonical", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.db().execute("DELETE FROM captures;");
        store.db().execute("DELETE FROM groups;");
        addGroup("local", "Web", workspace, "pendingPush", R"({"*":true})");
        if (c.canonicalExists)
            addGroup("canonical", "Web ", workspace);
        addCapture("c1", workspace, false, "local");
        addCapture("c2", workspace, false, "local");
        setState("captures", "c1", "synced");
        const auto updatedBefore = row("captures", "c1").doubleValue("updated_at");

        ledger.remapGroup("local", c.to);

        const std::string home = c.moved ? "canonical" : "local";
        EXPECT_EQ(store.rawCapture("c1")->groupID, home);
        EXPECT_EQ(store.rawCapture("c2")->groupID, home);
        EXPECT_EQ(store.rawCapture("c1")->syncState, SyncState::synced) << "not marked pending";
        EXPECT_EQ(row("captures", "c1").doubleValue("updated_at"), updatedBefore);
        ASSERT_TRUE(store.group(home));
        EXPECT_EQ(store.group("local").has_value(), !c.moved);
        if (c.moved && !c.canonicalExists) {
            auto carried = *store.group("canonical");
            EXPECT_EQ(carried.name, "Web");
            EXPECT_EQ(carried.workspaceID, workspace);
            EXPECT_EQ(carried.syncState, SyncState::synced);
            EXPECT_FALSE(text("groups", "canonical", "pending"));
        }
    }
    EXPECT_EQ(logMessages(),
              std::vector<std::string>{
                  "Skipped a group remap: the server's group id is not a usable id"});

    // With no capture in the old group, the old row still goes.
    store.db().execute("DELETE FROM captures;");
    store.db().execute("DELETE FROM groups;");
    addGroup("local", "Web");
    addGroup("canonical", "Other");
    ledger.remapGroup("local", "canonical");
    EXPECT_FALSE(store.group("local"));
    EXPECT_TRUE(store.group("canonical"));
}
