#include "EventSeeingTransport.h"
#include "StandInEngine.h"

#include <thread>

using namespace tavro;
using namespace tavro::test;
using Kind = SyncStatus::Kind;
using nlohmann::json;

namespace {

constexpr const char* reconcileRoute = "/v1/sync/reconcile";

struct SyncEngineAccount : StandInEngine {
    std::vector<std::string> reconcileIDs(int request) {
        auto sent = requests(reconcileRoute);
        std::vector<std::string> ids;
        if (request < static_cast<int>(sent.size())) {
            const json body = bodyOf(sent[request]);
            for (const auto& id : body.at("capture_ids"))
                ids.push_back(id.get<std::string>());
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    // A capture another device made in the service's workspace.
    void serverCapture(const std::string& id) {
        service.writeAsOtherDevice("captures",
                                   {{"id", id}, {"workspace_id", SyncService::workspaceID}});
    }
};

json account(const std::vector<std::string>& workspaceIDs) {
    json workspaces = json::array();
    for (const auto& id : workspaceIDs)
        workspaces.push_back({{"id", id}, {"name", "W " + id}, {"slug", id}});
    return {{"user", {{"id", SyncService::userID}, {"name", "Ada Renamed"}}},
            {"workspaces", workspaces}};
}

} // namespace

TEST_F(SyncEngineAccount, TheRefreshKeepsTheDefaultWorkspaceValid) {
    struct Case {
        const char* name;
        std::optional<std::string> stored;
        std::vector<std::string> workspaces;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"still a member, not first", "w2", {"w1", "w2"}, "w2"},
        {"left it", "gone", {"w1", "w2"}, "w1"},
        {"none stored", std::nullopt, {"w3"}, "w3"},
        {"no workspaces left", "w1", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.setSyncMeta("default_workspace_id", c.stored);
        store.setSyncMeta("user_email", "kept@example.com");
        service.control("account", account(c.workspaces));
        running(); // a new engine has never refreshed: its first pass does
        EXPECT_EQ(store.syncMeta("default_workspace_id"), c.expected);
        EXPECT_EQ(store.syncMeta("user_name"), "Ada Renamed");
        EXPECT_EQ(store.syncMeta("user_email"), "kept@example.com");
        EXPECT_EQ(store.workspaces().size(), c.workspaces.size());
        engine.reset();
        statuses.clear();
    }
}

TEST_F(SyncEngineAccount, TheAccountIsFetchedAgainOnceSixHoursOld) {
    running();
    EXPECT_EQ(count("/v1/me"), 1);
    struct Step {
        double age;
        int fetches;
    };
    const double sixHours = SyncTimings{}.accountRefreshAge;
    // Ages are counted from the refresh before each step.
    for (const Step step : {Step{sixHours - 60, 1}, Step{sixHours, 2}, Step{10, 2}}) {
        clockOffset->store(clockOffset->load() + step.age);
        const int passes = statuses.count(Kind::syncing);
        syncNow(*engine);
        ASSERT_TRUE(waitForIdle(passes + 1));
        EXPECT_EQ(count("/v1/me"), step.fetches) << step.age;
        if (step.fetches == 1)
            clockOffset->store(clockOffset->load() - step.age);
    }
}

TEST_F(SyncEngineAccount, TheReconcileRunsOnceADay) {
    const double day = SyncTimings{}.reconcileAge;
    struct Case {
        const char* name;
        std::optional<std::string> stored;
        bool runs;
    };
    const Seconds now = tavro::now();
    const std::vector<Case> cases = {
        {"never", std::nullopt, true},
        {"an hour ago", formatISO8601(now - 3600), false},
        {"a day ago", formatISO8601(now - day - 1), true},
        {"unreadable", "yesterday", true},
        {"without fractional seconds", "2020-01-01T00:00:00Z", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.setSyncMeta("last_reconcile", c.stored);
        const int before = count(reconcileRoute);
        running();
        EXPECT_EQ(count(reconcileRoute) - before, c.runs ? 1 : 0);
        if (c.runs) {
            auto written = store.syncMeta("last_reconcile");
            ASSERT_TRUE(written);
            EXPECT_NEAR(*parseISO8601(*written), tavro::now(), 5);
        }
        engine.reset();
        statuses.clear();
    }
}

TEST_F(SyncEngineAccount, ReconcileDropsOnlyWhatItSentAndIsStillSynced) {
    struct Case {
        const char* name;
        SyncService::Fault reply;
    };
    const std::vector<Case> cases = {
        // The service holds "synced-2" only, so it names the other two it was sent.
        {"the service's answer", {.route = reconcileRoute, .hold = true}},
        // A reply that names every capture, and one this library never had.
        {"a reply naming captures it was never sent",
         {.route = reconcileRoute,
          .status = 200,
          .body = R"({"drop":["synced-1","edited","local","pending","elsewhere"],"missing":[]})",
          .hold = true}},
    };
    serverCapture("synced-2");
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        store.db().execute("DELETE FROM captures;");
        store.setSyncMeta("last_reconcile", std::nullopt);
        addCapture("synced-1", SyncService::workspaceID, "synced");
        addCapture("synced-2", SyncService::workspaceID, "synced");
        addCapture("edited", SyncService::workspaceID, "synced");
        addCapture("local", std::nullopt, "local");
        addCapture("pending", SyncService::workspaceID, "pendingPush");
        // "pending" never reaches the service, so it stays out of the reconcile; "edited"
        // changes here while the request is in flight.
        service.control("reject", {{"id", "pending"}});
        service.inject(c.reply);
        signedIn();
        make().start();
        ASSERT_TRUE(eventually([&] { return service.held(reconcileRoute) == 1; }));
        store.db().execute("UPDATE captures SET sync_state = 'pendingPush', pending = "
                           "'{\"note\":true}' WHERE id = 'edited';");
        notifier->count = 0;
        service.release(reconcileRoute);
        ASSERT_TRUE(waitForIdle(1));

        EXPECT_EQ(reconcileIDs(int(i)),
                  (std::vector<std::string>{"edited", "synced-1", "synced-2"}));
        EXPECT_FALSE(store.rawCapture("synced-1"));
        for (const char* kept : {"synced-2", "edited", "local", "pending"})
            EXPECT_TRUE(store.rawCapture(kept)) << kept;
        EXPECT_EQ(notifier->count, 1) << "the board hears of the drop";
        EXPECT_EQ(statuses.last()->kind, Kind::idle);
        service.clearFaults();
        engine.reset();
        statuses.clear();
    }
}

TEST_F(SyncEngineAccount, MissingCapturesResetTheCursorAndRunOneMorePass) {
    store.setSyncMeta("cursor", "41");
    for (const char* id : {"m1", "m2", "m3"})
        serverCapture(id);
    // The first exchange brings nothing, as if the cursor had passed the three.
    service.inject({.route = "/v1/sync", .status = 200, .body = {{"cursor", 41}}});
    useManualClock();
    running();
    ASSERT_TRUE(waitForIdle(2));
    ASSERT_TRUE(advance(100ms));
    EXPECT_EQ(statuses.count(Kind::syncing), 2);
    EXPECT_EQ(count(reconcileRoute), 1) << "the second pass finds it done";
    EXPECT_EQ(reconcileIDs(0), std::vector<std::string>{}) << "an empty list is still sent";
    EXPECT_EQ(bodyOf(requests("/v1/sync").at(1)).at("cursor"), 0);
    EXPECT_TRUE(store.rawCapture("m1")) << "the second pass pulled them";
    EXPECT_EQ(log(), std::vector<std::string>{
                         "info: 3 captures missing locally; pulling everything again"});
}

TEST_F(SyncEngineAccount, ChangeEventsStartADebouncedPass) {
    auto seeing = std::make_shared<EventSeeingTransport>();
    transport = seeing;
    timings.debounce = 400ms;
    useManualClock();
    running();
    ASSERT_TRUE(waitForOpenStreams(1));
    serverCapture("from-elsewhere"); // another device's change is announced
    ASSERT_TRUE(eventually([&] { return seeing->changes == 1; }));
    ASSERT_TRUE(advance(20ms));
    service.announceChange();
    ASSERT_TRUE(eventually([&] { return seeing->changes == 2; }));
    ASSERT_TRUE(advance(timings.debounce - 1ms));
    EXPECT_EQ(statuses.count(Kind::syncing), 1) << "not before the debounce after the last";
    ASSERT_TRUE(advance(1ms));
    ASSERT_TRUE(waitForIdle(2));
    ASSERT_TRUE(advance(200ms));
    EXPECT_EQ(statuses.count(Kind::syncing), 2) << "one pass for both changes";
}

TEST_F(SyncEngineAccount, AnOverLongStreamLineIsCutAndTheStreamReadsOn) {
    running();
    ASSERT_TRUE(waitForOpenStreams(1));
    // Four mebibytes without a line break, then a change.
    service.inject({.route = "/v1/events",
                    .status = 200,
                    .body = "data: " + std::string(4 << 20, 'x') + "\nevent: change\n\n",
                    .headers = {{"Content-Type", "text/event-stream"}}});
    service.endStreams();
    ASSERT_TRUE(waitForIdle(2)) << "the change after the long line starts a pass";
    EXPECT_EQ(statuses.last()->kind, Kind::idle) << statuses.describe();
    EXPECT_TRUE(eventually([&] { return count("/v1/events") >= 3; })) << "and it reconnects";
    EXPECT_TRUE(waitForOpenStreams(1));
}

TEST_F(SyncEngineAccount, TheStreamIsOpenedAgainAfterItEndsOrIsRefused) {
    running();
    ASSERT_TRUE(waitForOpenStreams(1));
    const auto ended = std::chrono::steady_clock::now();
    service.endStreams();
    ASSERT_TRUE(eventually([&] { return count("/v1/events") == 2; }));
    EXPECT_GE(std::chrono::steady_clock::now() - ended, 75ms);

    service.inject({.route = "/v1/events", .status = 401, .body = "{}", .count = 3});
    service.endStreams();
    ASSERT_TRUE(eventually([&] { return count("/v1/events") >= 5; }));
    EXPECT_EQ(engine->status().kind, Kind::idle) << "the stream reports no error";
    EXPECT_TRUE(store.syncLog(10).empty());

    ASSERT_TRUE(waitForOpenStreams(1)) << "once the refusals stop";
    service.announceChange();
    EXPECT_TRUE(waitForIdle(2)) << "a reopened stream still starts passes";

    engine->stop();
    ASSERT_TRUE(waitForOpenStreams(0));
    const int opened = count("/v1/events");
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(count("/v1/events"), opened) << "stopped: no reconnecting";
}
