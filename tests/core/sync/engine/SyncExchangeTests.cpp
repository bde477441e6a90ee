#include "ExchangeFixture.h"

#include <thread>

using namespace tavro;
using namespace tavro::test;
using nlohmann::json;
using Kind = SyncStatus::Kind;

namespace {

struct SyncExchange : ExchangeFixture {};

} // namespace

TEST_F(SyncExchange, PushesWhatIsPendingAndPullsInTableOrder) {
    const auto group = newGroup("Bugs");
    const auto capture = newCapture("login fails", group);
    const auto comment = makeUUID();
    store.addComment({.id = comment, .captureID = capture, .body = "seen", .kind = "comment"});
    const auto theirs = makeUUID(); // its comment reaches the service first
    service.writeAsOtherDevice("comments", {{"id", makeUUID()}, {"capture_id", theirs}});
    service.writeAsOtherDevice("captures", {{"id", theirs},
                                            {"workspace_id", SyncService::workspaceID},
                                            {"note", "from the other desk"}});
    engine->syncNow();
    for (const auto& [table, id] :
         {std::pair{"groups", group}, {"captures", capture}, {"comments", comment}}) {
        EXPECT_EQ(syncState(table, id), "synced") << table;
        EXPECT_EQ(serverRow(table, id).value("version", 0), 1) << table;
    }
    EXPECT_EQ(store.rawCapture(capture)->version, 1);
    EXPECT_EQ(store.comments(theirs).size(), 1u) << "its capture was applied first";
    EXPECT_EQ(store.syncMeta("cursor"), "5");
    EXPECT_EQ(takeLog(), std::vector<std::string>{});
    const int posted = notifier->count;
    EXPECT_GE(posted, 1);
    engine->syncNow();
    EXPECT_EQ(notifier->count, posted) << "nothing moved, nothing posted";
}

TEST_F(SyncExchange, APassRunsAtMostTwentySixExchanges) {
    service.inject({.route = "/v1/sync", .status = 200, .body = {{"more", true}}, .count = -1});
    engine->syncNow();
    EXPECT_EQ(statuses.last()->kind, Kind::idle);
    EXPECT_EQ(syncBodies().size(), 26u);
}

// A server asking for a fresh pull of the workspace in every reply restarts the pull once a
// pass, not in every exchange.
TEST_F(SyncExchange, OneFreshPullOfTheWorkspacePerPass) {
    service.inject({.route = "/v1/sync",
                    .status = 200,
                    .body = {{"resync_groups", {{{"id", "workspace:all"}}}}, {"cursor", 9}},
                    .count = -1});
    engine->syncNow();
    const auto bodies = syncBodies();
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[1].at("cursor"), 0);
    EXPECT_EQ(store.syncMeta("cursor"), "9");
    engine->syncNow();
    EXPECT_EQ(syncBodies().size(), 4u) << "the next pass honours one again";
}

// The groups asked for in a request that failed are asked for again.
TEST_F(SyncExchange, FullGroupRequestsSurviveAFailedRequest) {
    const std::string group = makeUUID();
    service.inject({.route = "/v1/sync",
                    .status = 200,
                    .body = {{"resync_groups", {{{"id", group}, {"mode", "full"}}}}}});
    service.inject({.route = "/v1/sync", .status = 500});
    engine->syncNow();
    engine->syncNow();
    const auto bodies = syncBodies();
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(bodies[1].at("full_groups"), json::array({group}));
    EXPECT_EQ(bodies[2].at("full_groups"), json::array({group}));
}

TEST_F(SyncExchange, AnEditMadeWhileThePushIsInFlightStaysPending) {
    const auto id = newCapture("before");
    service.inject({.route = "/v1/sync", .hold = true});
    std::thread pass([&] { engine->syncNow(); });
    ASSERT_TRUE(eventually([&] { return !syncBodies().empty(); }));
    auto capture = *store.rawCapture(id);
    capture.note = "after";
    store.update(capture);
    service.release("/v1/sync");
    pass.join();
    EXPECT_EQ(syncState("captures", id), "pendingPush");
    engine->syncNow();
    EXPECT_EQ(syncState("captures", id), "synced");
    EXPECT_EQ(serverRow("captures", id).value("note", ""), "after");
}

TEST_F(SyncExchange, HostileRepliesAreSkippedAndLogged) {
    const auto pushed = newCapture("pushed");
    const std::string ws = SyncService::workspaceID;
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {R"({"cursor": NaN})", {"error: Unexpected reply from the server."}},
        {R"({"changes": [{"table": "captures", "row": {"id": "0ddba11", "workspace_id": ")" + ws +
             "\", \"note\": \"caf\xE9\"}}]}",
         {}},
        {R"({"changes": [{"table": "captures", "row": {"id": "../../etc", "workspace_id": "w"}}],)"
         R"( "dropped_captures": ["../x", "/etc"], "dropped_workspaces": ["a/b"],)"
         R"( "resync_groups": [{"id": "../g"}, {"id": "..", "mode": "drop"}]})",
         {"warn: Skipped 1 dropped workspaces whose ids are not ids",
          "warn: Skipped 2 dropped captures whose ids are not ids",
          "warn: Skipped 2 group resyncs for ids that are not ids",
          "warn: Skipped a captures row: \"id\" is not a usable id"}},
        {R"({"changes": [{"table": "users", "row": {}}, {"table": "captures", "row": 1}, 5],)"
         R"( "results": [{"id": 5}, "x", {"id": "someone-else"}]})",
         {"warn: Skipped 3 pulled changes of no known table or without a row",
          "warn: Skipped 3 push results that name no row of this push"}},
        {R"({"results": "fine", "changes": {}, "cursor": "abc", "more": "yes", "people": 1})",
         {"warn: Skipped reply fields that are not lists: results, people, changes"}},
    };
    const auto outside = filesUnder(library.root().parent_path()) - filesUnder(library.root());
    for (const auto& [body, logged] : cases) {
        SCOPED_TRACE(body);
        service.inject({.route = "/v1/sync", .status = 200, .rawBody = body});
        engine->syncNow();
        EXPECT_EQ(statuses.last()->kind,
                  logged.size() == 1 && logged[0][0] == 'e' ? Kind::failed : Kind::idle);
        EXPECT_EQ(takeLog(), logged);
    }
    EXPECT_EQ(store.rawCapture("0ddba11")->note, "caf\uFFFD");
    EXPECT_EQ(store.syncMeta("cursor"), "0");
    EXPECT_EQ(filesUnder(library.root().parent_path()) - filesUnder(library.root()), outside);
    EXPECT_EQ(syncState("captures", pushed), "pendingPush") << "no result named it";
}

// More rows of one table than one exchange lists go out in the same pass; screenshots held back
// where they are do not keep the pass going.
TEST_F(SyncExchange, ABacklogLongerThanOneListingGoesOutInOnePass) {
    struct Case {
        const char* table;
        int rows;
        size_t exchanges;
        std::int64_t left;
    };
    const std::vector<Case> cases = {
        {"groups", 450, 3, 0},
        {"captures", 400, 3, 0}, // the third lists nothing more
        {"comments", 250, 2, 0},
        {"capture_images", 200, 1, 200}, // their files are missing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        const auto capture = newCapture(std::string("for ") + c.table);
        engine->syncNow();
        service.clearRequests();
        const std::string table = c.table;
        for (int i = 0; i < c.rows; ++i) {
            if (table == "groups")
                newGroup("Group " + std::to_string(i));
            else if (table == "captures")
                newCapture("Capture " + std::to_string(i));
            else if (table == "comments")
                store.addComment({.id = makeUUID(), .captureID = capture, .kind = "comment"});
            else
                store.addImage({.id = makeUUID(),
                                .captureID = capture,
                                .position = -1,
                                .imagePath = "2026/01/missing-" + std::to_string(i) + ".png"});
        }
        engine->syncNow();
        EXPECT_EQ(syncBodies().size(), c.exchanges);
        EXPECT_EQ(
            store.db()
                .query("SELECT COUNT(*) AS n FROM " + table + " WHERE sync_state = 'pendingPush';")
                .front()
                .intValue("n"),
            c.left);
        takeLog();
    }
}
