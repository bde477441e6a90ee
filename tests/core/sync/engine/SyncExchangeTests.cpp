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
    syncNow(*engine);
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
    syncNow(*engine);
    EXPECT_EQ(notifier->count, posted) << "nothing moved, nothing posted";
}

TEST_F(SyncExchange, APassRunsAtMostTwentySixExchanges) {
    service.inject({.route = "/v1/sync", .status = 200, .body = {{"more", true}}, .count = -1});
    syncNow(*engine);
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
    syncNow(*engine);
    const auto bodies = syncBodies();
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[1].at("cursor"), 0);
    EXPECT_EQ(store.syncMeta("cursor"), "9");
    syncNow(*engine);
    EXPECT_EQ(syncBodies().size(), 4u) << "the next pass honours one again";
}

// The groups asked for in a request that failed are asked for again.
TEST_F(SyncExchange, FullGroupRequestsSurviveAFailedRequest) {
    const std::string group = makeUUID();
    service.inject({.route = "/v1/sync",
                    .status = 200,
                    .body = {{"resync_groups", {{{"id", group}, {"mode", "full"}}}}}});
    service.inject({.route = "/v1/sync", .status = 500});
    syncNow(*engine);
    syncNow(*engine);
    const auto bodies = syncBodies();
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(bodies[1].at("full_groups"), json::array({group}));
    EXPECT_EQ(bodies[2].at("full_groups"), json::array({group}));
}

// The push and the session are the service's: a redirect within it is followed, one anywhere
// else sends nothing there and fails the pass, saying where it led.
TEST_F(SyncExchange, ARedirectOfTheExchangeIsFollowedOnlyWithinTheService) {
    SyncService elsewhere;
    const std::string port = std::to_string(service.port());
    struct Case {
        std::string location;
        std::optional<std::string> refused; // the origin named, when not followed
    };
    const std::vector<Case> cases = {
        {service.baseURL() + "/v1/sync", std::nullopt},
        {"/v1/sync?again=1", std::nullopt},
        {elsewhere.baseURL() + "/v1/sync", elsewhere.baseURL()},
        {"http://localhost:" + port + "/v1/sync", "http://localhost:" + port},
        {"https://127.0.0.1:" + port + "/v1/sync", "https://127.0.0.1:" + port},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        const auto id = newCapture("pushed");
        service.inject({.route = "/v1/sync", .status = 307, .headers = {{"Location", c.location}}});
        syncNow(*engine);
        EXPECT_TRUE(elsewhere.requests().empty()) << "nothing went elsewhere";
        if (!c.refused) {
            EXPECT_EQ(syncState("captures", id), "synced");
            EXPECT_EQ(syncBodies().size(), 2u);
            EXPECT_EQ(statuses.last()->kind, Kind::idle);
            EXPECT_EQ(takeLog(), std::vector<std::string>{});
        } else {
            const std::string reason =
                "Server error 307: redirected to another site, " + *c.refused;
            EXPECT_EQ(syncState("captures", id), "pendingPush");
            EXPECT_EQ(syncBodies().size(), 1u);
            EXPECT_EQ(statuses.last(), (SyncStatus{.kind = Kind::failed, .message = reason}));
            EXPECT_EQ(takeLog(), std::vector<std::string>{"error: " + reason});
            syncNow(*engine);
            EXPECT_EQ(syncState("captures", id), "synced") << "the next pass goes through";
            takeLog();
        }
        service.clearRequests();
    }
}

TEST_F(SyncExchange, AnEditMadeWhileThePushIsInFlightStaysPending) {
    const auto id = newCapture("before");
    service.inject({.route = "/v1/sync", .hold = true});
    std::thread pass([&] { syncNow(*engine); });
    ASSERT_TRUE(eventually([&] { return !syncBodies().empty(); }));
    auto capture = *store.rawCapture(id);
    capture.note = "after";
    store.update(capture);
    service.release("/v1/sync");
    pass.join();
    EXPECT_EQ(syncState("captures", id), "pendingPush");
    syncNow(*engine);
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
        syncNow(*engine);
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
        syncNow(*engine);
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
        syncNow(*engine);
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

namespace {

// The curl transport, with the Nth sync request refused, or held until it is stopped.
class NthSyncRequest final : public HttpTransport {
public:
    enum class Fault { none, refused, held };
    NthSyncRequest(int nth, Fault fault)
        : nth_(nth)
        , fault_(fault) {}

    HttpResponse send(const HttpRequest& request, std::stop_token stop) override {
        if (request.url.ends_with("/v1/sync") && ++seen_ == nth_ && fault_ != Fault::none) {
            faulted_ = json::parse(request.body.value_or("{}"));
            if (fault_ == Fault::held) {
                held_ = true;
                eventually([&] { return stop.stop_requested(); });
                throw TransportError(TransportError::Kind::stopped, "stopped");
            }
            throw TransportError(TransportError::Kind::failed, "refused");
        }
        return inner_->send(request, stop);
    }
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override {
        return inner_->stream(request, onBody, stop);
    }

    json faulted() const { return faulted_; }
    bool held() const { return held_; }

private:
    std::shared_ptr<HttpTransport> inner_ = makeCurlTransport();
    const int nth_;
    const Fault fault_;
    std::atomic<int> seen_{0};
    std::atomic<bool> held_{false};
    json faulted_;
};

} // namespace

// The pages of a long pull are asked for while the ones before them are applied; each cursor is
// stored once its page is, so a request that fails along the way leaves the library at the last
// page applied, and the next pass goes on from there. Sign-out stops a request asked ahead.
TEST_F(SyncExchange, ALongPullIsReadAheadPageByPage) {
    using Fault = NthSyncRequest::Fault;
    const struct {
        const char* name;
        Fault fault;
        std::int64_t applied; // captures of the 23 once the first pass ended
    } cases[] = {
        {"nothing fails", Fault::none, 23},
        {"the fourth page is refused", Fault::refused, 15},
        {"the third page is held until sign-out", Fault::held, 0},
    };
    const auto pulled = [&] {
        return store.db().query("SELECT COUNT(*) AS n FROM captures;").front().intValue("n");
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine.reset();
        store.db().execute("DELETE FROM captures;");
        store.setSyncMeta("cursor", std::nullopt);
        service.control("reset");
        signedIn();
        service.configure({{"page_size", 5}});
        for (int i = 0; i < 23; ++i)
            service.writeAsOtherDevice("captures", {{"id", makeUUID()},
                                                    {"workspace_id", SyncService::workspaceID},
                                                    {"note", "Capture " + std::to_string(i)}});
        auto faulty = std::make_shared<NthSyncRequest>(c.fault == Fault::held ? 3 : 4, c.fault);
        transport = faulty;
        make();
        if (c.fault == Fault::held) {
            engine->syncNow(nullptr);
            ASSERT_TRUE(eventually([&] { return faulty->held(); }));
            const auto start = std::chrono::steady_clock::now();
            signOut(*engine);
            EXPECT_LT(std::chrono::steady_clock::now() - start, patience / 4);
            EXPECT_EQ(statuses.last()->kind, Kind::signedOut);
            EXPECT_EQ(pulled(), c.applied) << "the account's captures are forgotten";
            continue;
        }
        syncNow(*engine);
        EXPECT_EQ(pulled(), c.applied);
        if (c.fault == Fault::refused) {
            EXPECT_EQ(statuses.last()->kind, Kind::offline);
            EXPECT_EQ(store.syncMeta("cursor"), faulty->faulted().at("cursor").dump());
            syncNow(*engine);
            EXPECT_EQ(pulled(), 23);
        }
        EXPECT_EQ(statuses.last()->kind, Kind::idle);
        const auto bodies = syncBodies();
        EXPECT_GE(bodies.size(), 5u);
        for (size_t i = 1; i < bodies.size(); ++i)
            EXPECT_LT(bodies[i - 1].at("cursor"), bodies[i].at("cursor"));
        takeLog();
    }
}

// A member taken out of the workspace and let back in before the next pass is told of both in
// one reply: the workspace stays. Only one the user has really left goes, and the log says so.
TEST_F(SyncExchange, AWorkspaceGoesOnlyWhenTheUserHasLeftIt) {
    const std::string ws = SyncService::workspaceID;
    const json team = {{"id", ws}, {"name", "Team"}, {"slug", "team"}, {"role", "owner"}};
    struct Case {
        const char* name;
        bool letBackIn, newRow;
        std::int64_t captures; // of the workspace afterwards
        std::string logged;
    };
    const std::vector<Case> cases = {
        {"let back in, the reply bringing a capture", true, true, 2,
         "info: Kept workspace Team: the service named it as left but still sends what is in it"},
        {"let back in", true, false, 1,
         "info: Kept workspace Team: the service named it as left but your account still lists "
         "it"},
        {"left", false, false, 0,
         "info: Removed workspace Team from this computer: you are no longer a member"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.db().execute("DELETE FROM captures;");
        service.control("account", {{"workspaces", {team}}});
        syncNow(*engine);
        newCapture("Checkout fails");
        syncNow(*engine);
        takeLog();

        service.control("leave-workspace", {{"workspace_id", ws}});
        if (c.letBackIn)
            service.control("account", {{"workspaces", {team}}});
        if (c.newRow)
            service.writeAsOtherDevice("captures",
                                       {{"id", makeUUID()}, {"workspace_id", ws}, {"note", "new"}});
        syncNow(*engine);
        EXPECT_EQ(store.db()
                      .query("SELECT COUNT(*) AS n FROM captures WHERE workspace_id = ?;", {ws})
                      .front()
                      .intValue("n"),
                  c.captures);
        EXPECT_EQ(takeLog(), std::vector<std::string>{c.logged});
    }
}
