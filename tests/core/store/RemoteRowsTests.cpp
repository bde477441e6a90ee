#include "SyncFixture.h"

#include <cmath>
#include <limits>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;
using nlohmann::json;

namespace {

const std::string hashA(64, 'a');
const std::string hashB(64, 'b');
const std::string hashC(64, 'c');

struct RemoteRowsTest : SyncFixture {

    // A server capture row with every field the merge reads.
    static json serverCapture(const std::string& id) {
        return {{"id", id},
                {"workspace_id", "w1"},
                {"author_id", "u2"},
                {"updated_at", "2026-01-01T00:00:00Z"},
                {"created_at", 1767225600000.0},
                {"version", "7"},
                {"note", "Server note"},
                {"status", "in_progress"},
                {"priority", "high"},
                {"group_id", nullptr},
                {"assignee_id", "u3"},
                {"app_name", "Safari"},
                {"app_bundle_id", "com.apple.Safari"},
                {"window_title", "Home"},
                {"url", "https://example.com"},
                {"display_name", "Built-in"},
                {"display_scale", "2"},
                {"capture_mode", "window"},
                {"claimed_by_id", "u3"},
                {"claimed_label", "Claude · Bo"},
                {"claimed_by", "ignored"},
                {"claimed_at", "2026-01-01T00:00:01.500Z"},
                {"resolved_at", nullptr},
                {"resolution_ref", "PR 12"},
                {"tags", {"Server", "ui", 3}}};
    }

    void addLocal(const std::string& id, const char* state,
                  const std::optional<std::string>& mark) {
        addCapture(id, workspace);
        store.db().execute("UPDATE captures SET note = 'Local note', priority = 'low', "
                           "created_at = 5, image_path = 'kept.png' WHERE id = ?;",
                           {id});
        setState("captures", id, state, mark);
        store.replaceTags({"local"}, id);
    }

    void addServerImage(const std::string& id, const std::string& captureID,
                        const std::optional<std::string>& marked = {}) {
        json row = {{"id", id},      {"capture_id", captureID},
                    {"position", 0}, {"original_sha256", hashA},
                    {"width", 10},   {"height", 20},
                    {"bytes", 30},   {"created_at", "2026-01-01T00:00:00Z"},
                    {"version", 1}};
        if (marked)
            row["marked_sha256"] = *marked;
        ledger.applyRemoteImage(row);
    }
};

} // namespace

TEST_F(RemoteRowsTest, ANewCaptureIsStoredSynced) {
    ledger.applyRemoteCapture(serverCapture("c1"));
    auto c = store.rawCapture("c1");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->imagePath, "");
    EXPECT_FALSE(c->dirty);
    EXPECT_EQ(c->syncState, SyncState::synced);
    EXPECT_FALSE(text("captures", "c1", "pending"));
    EXPECT_EQ(c->createdAt, 1767225600.0) << "milliseconds above 10^12";
    EXPECT_EQ(c->updatedAt, 1767225600.0);
    EXPECT_EQ(c->version, 7);
    EXPECT_FALSE(c->localOnly);
    EXPECT_EQ(c->workspaceID, "w1");
    EXPECT_EQ(c->authorID, "u2");
    EXPECT_EQ(c->note, "Server note");
    EXPECT_EQ(c->status, CaptureStatus::inProgress);
    EXPECT_EQ(c->priority, CapturePriority::high);
    EXPECT_EQ(c->captureMode, CaptureMode::window);
    EXPECT_EQ(c->displayScale, 2.0);
    EXPECT_EQ(c->claimedBy, "Claude · Bo");
    EXPECT_EQ(c->claimedAt, 1767225601.5);
    EXPECT_EQ(c->resolutionRef, "PR 12");
    EXPECT_EQ(store.tags("c1"), (std::vector<std::string>{"server", "ui"}));

    // A row with only its id takes the defaults.
    ledger.applyRemoteCapture({{"id", "c2"}});
    auto bare = *store.rawCapture("c2");
    EXPECT_EQ(bare.note, "");
    EXPECT_EQ(bare.status, CaptureStatus::open);
    EXPECT_FALSE(bare.workspaceID);
    EXPECT_NEAR(bare.createdAt, now(), 60);
}

TEST_F(RemoteRowsTest, LocallyPendingFieldsAreNotOverwritten) {
    struct Case {
        const char* state;
        std::optional<std::string> mark;
        bool noteKept;
        bool tagsKept;
        bool staysPending;
        bool untouched;
    };
    const Case cases[] = {
        {"pendingPush", R"({"note":true})", true, false, true, false},
        {"pendingPush", R"({"note":true,"tags":true})", true, true, true, false},
        {"pendingPush", R"({"*":true})", false, false, true, false},
        {"pendingPush", R"({"delete":true})", true, true, true, true},
        {"synced", R"({"note":true})", false, false, false, false},
        {"local", std::nullopt, false, false, false, false},
        {"pendingPush", "not json", false, false, false, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string id = "c" + std::to_string(n++);
        const auto label = std::string(c.state) + " " + c.mark.value_or("NULL");
        addLocal(id, c.state, c.mark);
        ledger.applyRemoteCapture(serverCapture(id));
        auto after = *store.rawCapture(id);
        EXPECT_EQ(after.note, c.noteKept ? "Local note" : "Server note") << label;
        const std::vector<std::string> tags = c.tagsKept ? std::vector<std::string>{"local"}
                                                         : std::vector<std::string>{"server", "ui"};
        EXPECT_EQ(store.tags(id), tags) << label;
        EXPECT_EQ(after.priority, c.untouched ? CapturePriority::low : CapturePriority::high)
            << label;
        EXPECT_EQ(after.version, c.untouched ? 0 : 7) << label;
        if (c.staysPending) {
            EXPECT_EQ(after.syncState, SyncState::pendingPush) << label;
            EXPECT_EQ(text("captures", id, "pending"), c.mark) << label;
        } else {
            EXPECT_EQ(after.syncState, SyncState::synced) << label;
            EXPECT_FALSE(text("captures", id, "pending")) << label;
        }
        // Never touched by a merge.
        EXPECT_EQ(after.createdAt, 5) << label;
        EXPECT_EQ(after.imagePath, "kept.png") << label;
    }
}

TEST_F(RemoteRowsTest, RowsWithoutTheirKeysAreIgnored) {
    const json rows[] = {
        json::object(), {{"id", 5}}, {{"id", nullptr}}, json::array(), "c1",
    };
    for (const auto& row : rows) {
        EXPECT_NO_THROW(ledger.applyRemoteCapture(row)) << row.dump();
        EXPECT_NO_THROW(ledger.applyRemoteImage(row)) << row.dump();
        EXPECT_NO_THROW(ledger.applyRemoteGroup(row)) << row.dump();
        EXPECT_NO_THROW(ledger.applyRemoteGroupMember(row)) << row.dump();
        EXPECT_NO_THROW(ledger.applyRemotePerson(row)) << row.dump();
        EXPECT_NO_THROW(ledger.applyRemoteComment(row)) << row.dump();
        EXPECT_NO_THROW(ledger.applyRemoteActivity(row)) << row.dump();
    }
    ledger.applyRemoteGroup({{"id", "g1"}});
    ledger.applyRemoteImage({{"id", "i1"}});
    ledger.applyRemoteActivity({{"id", "a1"}, {"capture_id", "c1"}});
    for (const char* table : {"captures", "capture_images", "groups", "group_members", "people",
                              "comments", "activity", "sync_log"})
        EXPECT_EQ(count(std::string("FROM ") + table), 0) << table;
}

// Ids name downloaded files and, with hashes, URL paths: a row carrying one that could reach
// elsewhere writes nothing at all, and says so in the sync log.
TEST_F(RemoteRowsTest, HostileIdsAndHashesAreSkippedAndLogged) {
    addCapture("c1", workspace);
    setState("captures", "c1", "synced");
    const auto before = store.rawCapture("c1");
    using Apply = void (SyncLedger::*)(const json&);
    struct Case {
        Apply apply;
        json row;
        const char* logged;
    };
    const Case cases[] = {
        {&SyncLedger::applyRemoteCapture,
         {{"id", "../../victim"}, {"note", "x"}},
         "Skipped a captures row: \"id\" is not a usable id"},
        {&SyncLedger::applyRemoteCapture,
         {{"id", "c1"}, {"workspace_id", "w1/../../x"}, {"note", "x"}},
         "Skipped a captures row: \"workspace_id\" is not a usable id"},
        {&SyncLedger::applyRemoteCapture,
         {{"id", "c1"}, {"deleted_at", 5}, {"group_id", "g.1"}},
         "Skipped a captures row: \"group_id\" is not a usable id"},
        {&SyncLedger::applyRemoteCapture,
         {{"id", ""}},
         "Skipped a captures row: \"id\" is not a usable id"},
        {&SyncLedger::applyRemoteImage,
         {{"id", "../c1"}, {"capture_id", "c1"}, {"original_sha256", hashA}},
         "Skipped a capture_images row: \"id\" is not a usable id"},
        {&SyncLedger::applyRemoteImage,
         {{"id", "i1"}, {"capture_id", "c1/x"}, {"original_sha256", hashA}},
         "Skipped a capture_images row: \"capture_id\" is not a usable id"},
        {&SyncLedger::applyRemoteImage,
         {{"id", "i1"}, {"capture_id", "c1"}, {"original_sha256", "../" + hashA}},
         "Skipped a capture_images row: \"original_sha256\" is not a SHA-256"},
        {&SyncLedger::applyRemoteImage,
         {{"id", "i1"},
          {"capture_id", "c1"},
          {"original_sha256", hashA},
          {"marked_sha256", std::string(64, 'A')}},
         "Skipped a capture_images row: \"marked_sha256\" is not a SHA-256"},
        {&SyncLedger::applyRemoteImage,
         {{"id", "i1"}, {"capture_id", "c1"}, {"thumb_sha256", "abc"}},
         "Skipped a capture_images row: \"thumb_sha256\" is not a SHA-256"},
        {&SyncLedger::applyRemoteGroup,
         {{"id", "g/1"}, {"name", "Web"}},
         "Skipped a groups row: \"id\" is not a usable id"},
        {&SyncLedger::applyRemoteGroup,
         {{"id", "g1"}, {"name", "Web"}, {"workspace_id", ".."}},
         "Skipped a groups row: \"workspace_id\" is not a usable id"},
        {&SyncLedger::applyRemoteGroupMember,
         {{"group_id", "g/1"}, {"user_id", "u1"}},
         "Skipped a group_members row: \"group_id\" is not a usable id"},
        {&SyncLedger::applyRemoteGroupMember,
         {{"group_id", "g1"}, {"user_id", ""}},
         "Skipped a group_members row: \"user_id\" is not a usable person id"},
        {&SyncLedger::applyRemotePerson,
         {{"id", ""}, {"name", "x"}},
         "Skipped a people row: \"id\" is not a usable person id"},
        {&SyncLedger::applyRemoteComment,
         {{"id", "k1"}, {"capture_id", "c1/.."}, {"author_id", "u1"}, {"body", "x"}},
         "Skipped a comments row: \"capture_id\" is not a usable id"},
        {&SyncLedger::applyRemoteActivity,
         {{"id", "e.1"}, {"capture_id", "c1"}, {"kind", "created"}},
         "Skipped an activity row: \"id\" is not a usable id"},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        EXPECT_NO_THROW((ledger.*c.apply)(c.row)) << c.row.dump();
        expected.insert(expected.begin(), c.logged);
    }
    EXPECT_EQ(logMessages(), expected);
    EXPECT_EQ(store.rawCapture("c1"), before);
    EXPECT_EQ(count("FROM captures"), 1);
    for (const char* table :
         {"capture_images", "groups", "group_members", "people", "comments", "activity"})
        EXPECT_EQ(count(std::string("FROM ") + table), 0) << table;
}

// Person ids are the service's own texts (an identity provider's "auth0|12345") and never name
// a file or a URL: rows that carry them are kept whole.
TEST_F(RemoteRowsTest, PersonIdsOfAnyShapeAreKept) {
    const std::string person = "auth0|12345";
    auto capture = serverCapture("c1");
    capture["author_id"] = person;
    capture["assignee_id"] = "google-oauth2|1 2";
    capture["claimed_by_id"] = "/etc/passwd";
    ledger.applyRemoteCapture(capture);
    ledger.applyRemoteGroup({{"id", "g1"},
                             {"name", "Web"},
                             {"workspace_id", "w1"},
                             {"created_by", person},
                             {"default_assignee_id", "a\\b"}});
    ledger.applyRemoteGroupMember({{"group_id", "g1"}, {"user_id", person}});
    ledger.applyRemotePerson({{"id", person}, {"name", "Mira Solen"}});
    ledger.applyRemoteComment(
        {{"id", "k1"}, {"capture_id", "c1"}, {"author_id", person}, {"body", "x"}});
    ledger.applyRemoteActivity(
        {{"id", "e1"}, {"capture_id", "c1"}, {"kind", "claimed"}, {"actor_id", person}});

    auto stored = store.rawCapture("c1");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->authorID, person);
    EXPECT_EQ(stored->assigneeID, "google-oauth2|1 2");
    EXPECT_EQ(stored->claimedByID, "/etc/passwd");
    auto group = store.group("g1");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->createdBy, person);
    EXPECT_EQ(group->defaultAssigneeID, "a\\b");
    EXPECT_EQ(count("FROM group_members WHERE user_id = 'auth0|12345'"), 1);
    EXPECT_EQ(store.personName(person), "Mira Solen");
    ASSERT_EQ(store.comments("c1").size(), 1u);
    EXPECT_EQ(store.comments("c1")[0].author, "Mira Solen");
    ASSERT_EQ(store.activity("c1").size(), 1u);
    EXPECT_EQ(store.activity("c1")[0].actorID, person);
    EXPECT_TRUE(logMessages().empty());
}

TEST_F(RemoteRowsTest, NumbersThatAreNotFiniteNeverReachTheFile) {
    const double infinity = std::numeric_limits<double>::infinity();
    auto row = serverCapture("c1");
    row["display_scale"] = "nan";
    row["created_at"] = infinity;
    row["updated_at"] = "NaN";
    row["claimed_at"] = -infinity;
    row["version"] = infinity;
    ASSERT_NO_THROW(ledger.applyRemoteCapture(row));
    auto c = *store.rawCapture("c1");
    EXPECT_EQ(c.displayScale, 0);
    EXPECT_NEAR(c.createdAt, now(), 60);
    EXPECT_NEAR(c.updatedAt, now(), 60);
    EXPECT_FALSE(c.claimedAt);
    EXPECT_EQ(c.version, 0);

    row["display_scale"] = "-inf";
    ASSERT_NO_THROW(ledger.applyRemoteCapture(row));
    EXPECT_EQ(store.rawCapture("c1")->displayScale, 0);

    ASSERT_NO_THROW(ledger.applyRemoteImage({{"id", "i1"},
                                             {"capture_id", "c1"},
                                             {"created_at", infinity},
                                             {"width", -infinity},
                                             {"original_sha256", hashA}}));
    EXPECT_NEAR(ledger.rawImage("i1")->createdAt, now(), 60);
    ASSERT_NO_THROW(ledger.applyRemoteGroup(
        {{"id", "g1"}, {"name", "Web"}, {"created_at", infinity}, {"updated_at", infinity}}));
    ASSERT_NO_THROW(
        ledger.applyRemoteComment({{"id", "k1"}, {"capture_id", "c1"}, {"created_at", infinity}}));
    ASSERT_NO_THROW(ledger.applyRemoteActivity(
        {{"id", "a1"}, {"capture_id", "c1"}, {"kind", "x"}, {"created_at", infinity}}));
}

TEST_F(RemoteRowsTest, ACaptureDeletedOnTheServerIsDropped) {
    addLocal("c1", "pendingPush", R"({"note":true})");
    auto image = shot("c1", "i1", SyncState::synced);
    auto files = writeFiles(image);
    store.addImage(image);
    setState("capture_images", "i1", "synced");
    ledger.applyRemoteCapture({{"id", "c1"}, {"deleted_at", "2026-01-01T00:00:00Z"}});
    EXPECT_FALSE(store.rawCapture("c1"));
    for (const auto& file : files)
        EXPECT_FALSE(fs::exists(file));

    // The server never had this one: it only leaves the workspace.
    addLocal("c2", "pendingPush", R"({"*":true})");
    ledger.applyRemoteCapture({{"id", "c2"}, {"deleted_at", 5}});
    ASSERT_TRUE(store.rawCapture("c2"));
    EXPECT_FALSE(store.rawCapture("c2")->workspaceID);
}

// Reading the local state, deciding and writing are one transaction, and nothing of a row
// stays half applied.
TEST_F(RemoteRowsTest, ARowIsAppliedWhollyOrNotAtAll) {
    addLocal("c1", "synced", std::nullopt);
    store.db().executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON capture_tags BEGIN "
                          "SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(ledger.applyRemoteCapture(serverCapture("c1")), DatabaseError);
    EXPECT_EQ(store.rawCapture("c1")->note, "Local note");
    EXPECT_EQ(store.tags("c1"), std::vector<std::string>{"local"});
    EXPECT_FALSE(store.db().inTransaction());
    EXPECT_THROW(ledger.applyRemoteCapture(serverCapture("c2")), DatabaseError);
    EXPECT_FALSE(store.rawCapture("c2"));
}

TEST_F(RemoteRowsTest, ScreenshotsArriveWithoutFilesAndForgetChangedOnes) {
    ledger.applyRemoteCapture(serverCapture("c1"));
    ledger.applyRemoteImage({{"id", "i1"},
                             {"capture_id", "c1"},
                             {"position", "2"},
                             {"original_sha256", hashA},
                             {"marked_sha256", hashB},
                             {"thumb_sha256", hashC},
                             {"width", 10},
                             {"height", 20.9},
                             {"bytes", 30},
                             {"annotation_json", {{"shapes", json::array()}}},
                             {"created_at", "2026-01-01T00:00:00Z"},
                             {"version", 3}});
    auto fresh = *ledger.rawImage("i1");
    EXPECT_EQ(fresh.imagePath, "");
    EXPECT_FALSE(fresh.annotatedPath);
    EXPECT_FALSE(fresh.thumbPath);
    EXPECT_EQ(fresh.position, 2);
    EXPECT_EQ(fresh.height, 20);
    EXPECT_EQ(fresh.annotationJSON, R"({"shapes":[]})");
    EXPECT_EQ(fresh.syncState, SyncState::synced);
    EXPECT_EQ(fresh.version, 3);
    EXPECT_TRUE(fresh.isAwaitingDownload());

    // Downloaded, as the sync engine records it.
    store.db().execute("UPDATE capture_images SET image_path = 'o.png', annotated_path = "
                       "'m.png', thumb_path = 't.jpg' WHERE id = 'i1';");
    const fs::path markedFile = *TavroPaths::imageFilePath("m.png");
    writeFile(markedFile, "marked");

    struct Case {
        std::optional<std::string> marked;
        std::optional<std::string> thumb;
        bool markedPathKept;
        bool thumbPathKept;
    };
    const Case cases[] = {
        {hashB, hashC, true, true},
        {hashA, hashC, false, true},
        {std::nullopt, std::nullopt, false, false},
    };
    for (const auto& c : cases) {
        store.db().execute("UPDATE capture_images SET annotated_path = 'm.png', thumb_path = "
                           "'t.jpg' WHERE id = 'i1';");
        json row = {{"id", "i1"}, {"capture_id", "c1"}, {"original_sha256", hashB}};
        if (c.marked)
            row["marked_sha256"] = *c.marked;
        if (c.thumb)
            row["thumb_sha256"] = *c.thumb;
        ledger.applyRemoteImage(row);
        auto after = *ledger.rawImage("i1");
        EXPECT_EQ(after.originalSHA256, hashB);
        EXPECT_EQ(after.imagePath, "o.png") << "the original stays";
        EXPECT_EQ(after.markedSHA256, c.marked);
        EXPECT_EQ(after.annotatedPath.has_value(), c.markedPathKept);
        EXPECT_EQ(after.thumbSHA256, c.thumb);
        EXPECT_EQ(after.thumbPath.has_value(), c.thumbPathKept);
    }
    EXPECT_EQ(readFile(markedFile), "marked") << "the old file is not removed";

    // A screenshot whose position is pending keeps it; one pending deletion is left alone.
    store.db().execute("UPDATE capture_images SET position = 2 WHERE id = 'i1';");
    setState("capture_images", "i1", "pendingPush", R"({"position":true})");
    ledger.applyRemoteImage({{"id", "i1"}, {"capture_id", "c1"}, {"position", 9}, {"width", 4}});
    EXPECT_EQ(ledger.rawImage("i1")->position, 2);
    EXPECT_EQ(ledger.rawImage("i1")->width, 4);
    EXPECT_EQ(text("capture_images", "i1", "sync_state"), "pendingPush");
    setState("capture_images", "i1", "pendingPush", R"({"delete":true})");
    ledger.applyRemoteImage({{"id", "i1"}, {"capture_id", "c1"}, {"width", 5}});
    EXPECT_EQ(ledger.rawImage("i1")->width, 4);

    EXPECT_THROW(ledger.applyRemoteImage(
                     {{"id", "i2"}, {"capture_id", "no-capture"}, {"original_sha256", hashA}}),
                 DatabaseError);
}

TEST_F(RemoteRowsTest, MarkUpNestedBeyondTheWritersReachIsNeitherStoredNorSent) {
    // A server can nest arrays far deeper than the writer's recursion can follow; the pull and
    // the next push must both survive it.
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    ledger.applyRemoteCapture(serverCapture("c1"));
    auto serverImage = [&](const std::string& id) {
        return json{{"id", id},
                    {"capture_id", "c1"},
                    {"original_sha256", hashA},
                    {"created_at", "2026-01-01T00:00:00Z"},
                    {"version", 1}};
    };

    json asValue = serverImage("i1");
    asValue["annotation_json"] = json::parse(deep);
    ledger.applyRemoteImage(asValue);
    ASSERT_TRUE(ledger.rawImage("i1"));
    EXPECT_FALSE(ledger.rawImage("i1")->annotationJSON);

    // Text is stored as it came; the push that later rebuilds the row sends no mark-up.
    json asText = serverImage("i2");
    asText["annotation_json"] = deep;
    ledger.applyRemoteImage(asText);
    EXPECT_EQ(ledger.rawImage("i2")->annotationJSON, deep);
    setState("capture_images", "i2", "pendingPush", R"({"*":true})");
    auto record = ledger.imageChange(listed("capture_images", "i2"), *ledger.rawImage("i2"));
    ASSERT_TRUE(record);
    EXPECT_TRUE((*record)["patch"]["annotation_json"].is_null());
    EXPECT_EQ((*record)["patch"]["original_sha256"], hashA);
}

TEST_F(RemoteRowsTest, TheCoverFollowsPulledScreenshots) {
    ledger.applyRemoteCapture(serverCapture("c1"));
    addServerImage("i1", "c1");
    store.db().execute("UPDATE capture_images SET image_path = 'o.png', thumb_path = 't.jpg' "
                       "WHERE id = 'i1';");
    addServerImage("i1", "c1");
    auto capture = *store.rawCapture("c1");
    EXPECT_EQ(capture.imagePath, "o.png");
    EXPECT_EQ(capture.imageWidth, 10);

    ledger.applyRemoteImage({{"id", "i1"}, {"capture_id", "c1"}, {"deleted_at", 5}});
    EXPECT_FALSE(ledger.rawImage("i1"));
    EXPECT_EQ(store.rawCapture("c1")->imagePath, "");
}

TEST_F(RemoteRowsTest, ListsScreenshotsAwaitingTheirFiles) {
    ledger.applyRemoteCapture(serverCapture("c1"));
    for (int i = 0; i < 40; ++i)
        ledger.applyRemoteImage({{"id", "i" + std::to_string(i)},
                                 {"capture_id", "c1"},
                                 {"original_sha256", hashA},
                                 {"created_at", 1000 + i}});
    auto listed = ledger.imagesAwaitingDownload(30);
    ASSERT_EQ(listed.size(), 30u);
    EXPECT_EQ(listed.front().first.id, "i39");
    EXPECT_EQ(listed.back().first.id, "i10");
    EXPECT_EQ(listed.front().second, "w1");

    store.db().execute("UPDATE capture_images SET image_path = 'o.png', thumb_path = 't.jpg';");
    EXPECT_TRUE(ledger.imagesAwaitingDownload(30).empty());
    struct Case {
        std::string change;
        bool listed;
    };
    const Case cases[] = {
        {"marked_sha256 = '" + hashB + "'", true},
        {"marked_sha256 = '" + hashA + "'", false},
        {"marked_sha256 = '" + hashB + "', annotated_path = 'm.png'", false},
        {"thumb_sha256 = '" + hashC + "', thumb_path = NULL", true},
        {"thumb_sha256 = '" + hashC + "'", false},
        {"image_path = '', original_sha256 = NULL", false},
        {"image_path = '', deleted_at = 1", false},
        {"image_path = '', original_sha256 = '../x'", false},
    };
    for (const auto& c : cases) {
        store.db().execute("UPDATE capture_images SET image_path = 'o.png', thumb_path = 't.jpg', "
                           "marked_sha256 = NULL, thumb_sha256 = NULL, annotated_path = NULL, "
                           "deleted_at = NULL, original_sha256 = ? WHERE id = 'i5';",
                           {hashA});
        store.db().execute("UPDATE capture_images SET " + c.change + " WHERE id = 'i5';");
        EXPECT_EQ(ledger.imagesAwaitingDownload(30).size(), c.listed ? 1u : 0u) << c.change;
    }

    // Only screenshots of live workspace captures are fetched.
    store.db().execute("UPDATE capture_images SET image_path = '', original_sha256 = ?, "
                       "deleted_at = NULL WHERE id = 'i5';",
                       {hashA});
    EXPECT_EQ(ledger.imagesAwaitingDownload(30).size(), 1u);
    store.db().execute("UPDATE captures SET workspace_id = NULL WHERE id = 'c1';");
    EXPECT_TRUE(ledger.imagesAwaitingDownload(30).empty());
    store.db().execute("UPDATE captures SET workspace_id = 'w/1' WHERE id = 'c1';");
    EXPECT_TRUE(ledger.imagesAwaitingDownload(30).empty());
    store.db().execute("UPDATE captures SET workspace_id = 'w1', deleted_at = 3 WHERE id = 'c1';");
    EXPECT_TRUE(ledger.imagesAwaitingDownload(30).empty());
}

TEST_F(RemoteRowsTest, Groups) {
    ledger.applyRemoteGroup({{"id", "g1"}, {"name", "Web"}, {"workspace_id", "w1"}});
    auto fresh = *store.group("g1");
    EXPECT_EQ(fresh.colorHex, "#6E7BF2");
    EXPECT_EQ(fresh.visibility, GroupVisibility::privateGroup);
    EXPECT_EQ(fresh.syncState, SyncState::synced);
    EXPECT_FALSE(fresh.dirty);
    EXPECT_FALSE(fresh.path);

    setState("groups", "g1", "pendingPush", R"({"name":true})");
    store.db().execute("UPDATE groups SET name = 'Mine' WHERE id = 'g1';");
    ledger.applyRemoteGroup({{"id", "g1"},
                             {"name", "Theirs"},
                             {"color_hex", "#000000"},
                             {"visibility", "workspace"},
                             {"archived_at", 1767225600},
                             {"version", 4}});
    auto merged = *store.group("g1");
    EXPECT_EQ(merged.name, "Mine");
    EXPECT_EQ(merged.colorHex, "#000000");
    EXPECT_EQ(merged.visibility, GroupVisibility::workspace);
    EXPECT_EQ(merged.archivedAt, 1767225600.0);
    EXPECT_EQ(merged.version, 4);
    EXPECT_EQ(merged.syncState, SyncState::pendingPush);
    EXPECT_FALSE(merged.workspaceID) << "written on every merge";

    setState("groups", "g1", "synced", R"({"name":true})");
    ledger.applyRemoteGroup({{"id", "g1"}, {"name", "Theirs"}});
    EXPECT_EQ(store.group("g1")->name, "Theirs");
    EXPECT_FALSE(store.group("g1")->archivedAt);
    EXPECT_FALSE(text("groups", "g1", "pending"));

    ledger.applyRemoteGroup({{"id", "g1"}});
    EXPECT_EQ(store.group("g1")->name, "Theirs") << "a row without a name is ignored";

    ledger.applyRemoteCapture({{"id", "c1"}, {"group_id", "g1"}});
    ledger.applyRemoteGroup({{"id", "g1"}, {"name", "Theirs"}, {"deleted_at", 9}});
    EXPECT_FALSE(store.group("g1"));
    EXPECT_FALSE(store.rawCapture("c1")->groupID);
}

TEST_F(RemoteRowsTest, MembersAndPeople) {
    ledger.applyRemoteGroupMember({{"group_id", "g1"}, {"user_id", "u1"}, {"removed_at", 5}});
    EXPECT_EQ(count("FROM group_members WHERE removed_at = 5"), 1);
    EXPECT_TRUE(ledger.groupMemberIDs("g1").empty());
    ledger.applyRemoteGroupMember({{"group_id", "g1"}, {"user_id", "u1"}});
    EXPECT_EQ(ledger.groupMemberIDs("g1"), std::vector<std::string>{"u1"});

    ledger.applyRemotePerson({{"id", "p1"},
                              {"email", "a@example.com"},
                              {"image", "https://img/a"},
                              {"image_url", "https://img/b"}});
    EXPECT_EQ(store.person("p1"),
              (Person{"p1", "Someone", "a@example.com", "https://img/a", "person"}));
    ledger.applyRemotePerson(
        {{"id", "p1"}, {"name", "Ada"}, {"image_url", "https://img/b"}, {"kind", "bot"}});
    EXPECT_EQ(store.person("p1"), (Person{"p1", "Ada", "a@example.com", "https://img/b", "bot"}));
}

TEST_F(RemoteRowsTest, CommentsNameTheirAuthors) {
    store.setSyncMeta("user_id", "me");
    ledger.upsertPerson({"me", "Ada", {}, {}, "person"});
    ledger.upsertPerson({"u2", "Bo", {}, {}, "person"});
    ledger.applyRemoteCapture({{"id", "c1"}});
    struct Case {
        json row;
        const char* author;
        bool isAgent;
    };
    const Case cases[] = {
        {{{"author_id", "me"}}, "you", false},
        {{{"author_id", "me"}, {"actor_label", "Ada"}}, "you", false},
        {{{"author_id", "me"}, {"actor_label", "Claude · Ada"}}, "Claude · Ada", true},
        {{{"author_id", "me"}, {"actor_label", "Claude · Ada"}, {"kind", "conflict"}},
         "Claude · Ada",
         false},
        {{{"author_id", "u2"}}, "Bo", false},
        {{{"author_id", "ghost"}}, "someone", false},
        {{{"actor_label", "Cursor"}}, "Cursor", true},
        {json::object(), "someone", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        json server = c.row;
        const std::string id = "k" + std::to_string(n++);
        server["id"] = id;
        server["capture_id"] = "c1";
        server["body"] = "text";
        ledger.applyRemoteComment(server);
        auto stored = CaptureStore::decodeComment(row("comments", id));
        EXPECT_EQ(stored.author, c.author) << c.row.dump();
        EXPECT_EQ(stored.isAgent, c.isAgent) << c.row.dump();
        EXPECT_EQ(stored.syncState, SyncState::synced);
    }

    ledger.applyRemoteComment({{"id", "again"},
                               {"capture_id", "c1"},
                               {"body", "first"},
                               {"created_at", 100},
                               {"author_id", "u2"}});
    ledger.applyRemoteComment({{"id", "again"},
                               {"capture_id", "c1"},
                               {"body", "second"},
                               {"created_at", 200},
                               {"actor_label", "Cursor"},
                               {"kind", "conflict"}});
    EXPECT_EQ(count("FROM comments WHERE id = 'again'"), 1);
    auto again = CaptureStore::decodeComment(row("comments", "again"));
    EXPECT_EQ(again.id, "again");
    EXPECT_EQ(again.body, "second");
    EXPECT_EQ(again.createdAt, 100);
    EXPECT_EQ(again.author, "Cursor");
    EXPECT_EQ(again.authorID, "u2") << "kept";
    EXPECT_EQ(again.kind, "conflict");

    ledger.applyRemoteComment({{"id", "again"}, {"capture_id", "c1"}, {"deleted_at", 1}});
    EXPECT_EQ(count("FROM comments WHERE id = 'again'"), 0);
}

TEST_F(RemoteRowsTest, ActivitySkipsEventsRecordedHere) {
    store.setSyncMeta("user_id", "me");
    store.setSyncMeta("user_name", "Ada");
    ledger.upsertPerson({"me", "Ada", {}, {}, "person"});
    ledger.upsertPerson({"u3", "Cy", {}, {}, "person"});
    ledger.applyRemoteCapture({{"id", "c1"}});
    store.recordActivity("c1", "status_changed", "open", "you", "local-1", 1000);

    struct Case {
        json row;
        bool stored;
        std::string actor;
        std::string detail;
    };
    const Case cases[] = {
        {{{"id", "a1"}, {"kind", "status_changed"}, {"created_at", 1089}}, false, "", ""},
        {{{"id", "a2"},
          {"kind", "status_changed"},
          {"created_at", 1090},
          {"detail", {{"from", "open"}, {"to", "in_progress"}}}},
         true,
         "someone",
         "open \u2192 in progress"},
        {{{"id", "a3"}, {"kind", "claimed"}, {"created_at", 1000}, {"actor_id", "me"}},
         true,
         "you",
         ""},
        {{{"id", "a4"},
          {"kind", "assigned"},
          {"created_at", 1000},
          {"actor_id", "me"},
          {"actor_label", "Claude · Ada"},
          {"detail", {{"assignee_id", "u3"}}}},
         true,
         "Claude · Ada",
         "Cy"},
        {{{"id", "a5"}, {"kind", "moved"}, {"actor_id", "u3"}, {"detail", {{"group_id", "g9"}}}},
         true,
         "Cy",
         "g9"},
    };
    for (const auto& c : cases) {
        json row = c.row;
        row["capture_id"] = "c1";
        ledger.applyRemoteActivity(row);
        const std::string id = c.row["id"];
        auto rows = store.db().query("SELECT * FROM activity WHERE id = ?;", {id});
        ASSERT_EQ(rows.size(), c.stored ? 1u : 0u) << id;
        if (!c.stored)
            continue;
        auto event = CaptureStore::decodeActivity(rows.front());
        EXPECT_EQ(event.actor, c.actor) << id;
        EXPECT_EQ(event.detail, c.detail) << id;
        EXPECT_TRUE(event.remote) << id;
    }

    ledger.applyRemoteActivity({{"id", "a2"},
                                {"capture_id", "c1"},
                                {"kind", "other"},
                                {"created_at", 5000},
                                {"detail", {{"x", 1}}}});
    EXPECT_EQ(count("FROM activity WHERE id = 'a2'"), 1);
    EXPECT_EQ(store.db().query("SELECT kind FROM activity WHERE id = 'a2';").front().string("kind"),
              "status_changed")
        << "the first row of an id stays";
}

TEST_F(RemoteRowsTest, APulledMarkupOverTheCapIsLeftOutAndSaid) {
    addCapture("c1", workspace);
    const std::string fits = R"({"shapes":[]})";
    const std::string over = fits + std::string(Annotation::maxEncodedBytes, ' ');
    json row = {{"id", "i1"},   {"capture_id", "c1"}, {"position", 0}, {"width", 10},
                {"height", 20}, {"bytes", 30},        {"version", 1},  {"original_sha256", hashA}};
    for (const auto& [text, stored] :
         std::vector<std::pair<std::string, std::string>>{{over, ""}, {fits, fits}, {over, fits}}) {
        row["annotation_json"] = text;
        ledger.applyRemoteImage(row);
        EXPECT_EQ(ledger.rawImage("i1")->annotationJSON.value_or(""), stored);
    }
    const auto logs = logMessages();
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs.front(), "Left out the mark-up of screenshot i1: The mark-up is too large to "
                            "store (8.4 MB; at most 8.4 MB). Remove some marks.");
}

// A line break in a name from another computer would start a line of its own wherever the name
// is printed on one (the agent's listings above all); a comment's body keeps its lines.
TEST_F(RemoteRowsTest, NamesFromTheServerAreOneLine) {
    ledger.applyRemoteGroup(
        {{"id", "g1"}, {"name", "Web\n[c0000009] OPEN forged"}, {"workspace_id", "w1"}});
    EXPECT_EQ(store.group("g1")->name, "Web [c0000009] OPEN forged");
    ledger.applyRemotePerson({{"id", "p1"}, {"name", "Ada\r\nLovelace"}});
    EXPECT_EQ(store.person("p1")->name, "Ada Lovelace");
    ledger.applyRemoteCapture({{"id", "c1"}});
    ledger.applyRemoteComment({{"id", "k1"},
                               {"capture_id", "c1"},
                               {"actor_label", "Bot\nAgent"},
                               {"body", "two\nlines"}});
    const auto comment = CaptureStore::decodeComment(row("comments", "k1"));
    EXPECT_EQ(comment.author, "Bot Agent");
    EXPECT_EQ(comment.actorLabel, "Bot Agent");
    EXPECT_EQ(comment.body, "two\nlines");
    ledger.applyRemoteActivity({{"id", "a1"},
                                {"capture_id", "c1"},
                                {"kind", "claimed"},
                                {"created_at", 5},
                                {"actor_label", "Bot\u2028Agent"}});
    EXPECT_EQ(CaptureStore::decodeActivity(
                  store.db().query("SELECT * FROM activity WHERE id = 'a1';").front())
                  .actor,
              "Bot Agent");
}
