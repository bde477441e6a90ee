#include "StandInEngine.h"

#include "sync/SyncError.h"

#include <mutex>
#include <thread>

using namespace tavro;
using namespace tavro::test;
using Kind = SyncStatus::Kind;
using nlohmann::json;

namespace {

constexpr const char* tokenPoll = "/api/auth/device/token";

struct SyncEngineSignIn : StandInEngine {
    // What a sign-in ended with: the account's user id, or the error's text.
    std::string outcome(std::future<AccountInfo>& future) {
        if (future.wait_for(patience) != std::future_status::ready)
            return "still waiting";
        try {
            return "signed in as " + future.get().user.id;
        } catch (const std::exception& error) {
            return error.what();
        }
    }

    std::vector<std::string> meta() {
        std::vector<std::string> out;
        for (const auto& row : store.db().query("SELECT key FROM sync_meta ORDER BY key;"))
            out.push_back(row.string("key").value_or(""));
        return out;
    }

    // Whether the service holds this session, and still accepts it.
    std::optional<bool> sessionLive(const std::string& token) {
        const nlohmann::json state = service.inspect("state");
        for (const auto& entry : state.at("tokens"))
            if (entry.at("token") == token)
                return !entry.at("expired").get<bool>();
        return std::nullopt;
    }
};

const std::string signedInAsUser = std::string("signed in as ") + SyncService::userID;

// Hands requests to the real transport, but for one path keeps the stop request from it, so
// that path's reply still comes in after sign-out or stop. libcurl ends a stopped transfer at
// once; a reply landing just as the session ends is otherwise a race no test can time.
class StopDeafTransport final : public HttpTransport {
public:
    explicit StopDeafTransport(std::string path)
        : path_(std::move(path)) {}

    HttpResponse send(const HttpRequest& request, std::stop_token stop) override {
        if (!request.url.ends_with(path_))
            return inner_->send(request, stop);
        {
            std::lock_guard lock(mutex_);
            ignored_ = stop;
        }
        return inner_->send(request, {});
    }
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override {
        return inner_->stream(request, onBody, stop);
    }
    // The engine asked the path's request in flight to stop.
    bool stopIgnored() {
        std::lock_guard lock(mutex_);
        return ignored_.stop_requested();
    }

private:
    const std::shared_ptr<HttpTransport> inner_ = makeCurlTransport();
    const std::string path_;
    std::mutex mutex_;
    std::stop_token ignored_;
};

} // namespace

TEST_F(SyncEngineSignIn, ThePollsAnswersDecideHowTheSignInEnds) {
    struct Case {
        const char* name;
        std::function<void(SyncService&, const std::string& userCode)> answer;
        std::string outcome;
        int pollCount;
    };
    const std::vector<Case> cases = {
        {"approved", [](SyncService& s, const std::string& code) { s.approve(code, 2); },
         signedInAsUser, 3},
        {"denied", [](SyncService& s, const std::string& code) { s.deny(code, 1); },
         "The sign-in was denied in the browser.", 2},
        {"expired on the server",
         [](SyncService& s, const std::string& code) { s.expireCode(code); },
         "That code expired. Start again to get a new one.", 1},
        {"unknown error codes keep waiting",
         [](SyncService& s, const std::string& code) {
             s.inject({.route = tokenPoll, .status = 400, .body = R"({"error":"what_now"})"});
             s.approve(code);
         },
         signedInAsUser, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = count(tokenPoll);
        make();
        auto code = beginSignIn(*engine);
        const auto started = service.inspect("device-codes");
        EXPECT_TRUE(std::any_of(started.begin(), started.end(), [&](const json& entry) {
            return entry.at("user_code") == code.userCode &&
                   entry.at("device_code") == code.deviceCode;
        })) << "the code the service started";
        c.answer(service, code.userCode);
        auto future = completeSignIn(*engine, code);
        EXPECT_EQ(outcome(future), c.outcome);
        EXPECT_EQ(count(tokenPoll) - before, c.pollCount);
        const bool signedIn = c.outcome.starts_with("signed in");
        EXPECT_EQ(engine->isSignedIn(), signedIn);
        EXPECT_EQ(storedToken().has_value(), signedIn);
        EXPECT_EQ(engine->status().kind != Kind::signedOut, signedIn);
        if (signedIn)
            signOut(*engine);
        engine.reset();
    }
}

TEST_F(SyncEngineSignIn, ActivationRecordsTheAccountDeviceAndDefaultWorkspaceThenStarts) {
    const std::string secondWorkspace = "20000000-0000-4000-8000-000000000002";
    service.control("account",
                    {{"workspaces",
                      {{{"id", SyncService::workspaceID}, {"name", "Team"}, {"slug", "team"}},
                       {{"id", secondWorkspace}, {"name", "Other"}, {"slug", "other"}}}}});
    make();
    auto code = beginSignIn(*engine);
    service.approve(code.userCode);
    auto future = completeSignIn(*engine, code);
    ASSERT_EQ(outcome(future), signedInAsUser);
    EXPECT_EQ(store.syncMeta("user_id"), SyncService::userID);
    EXPECT_EQ(store.syncMeta("user_name"), "Mira Test");
    EXPECT_EQ(store.syncMeta("user_email"), "mira@example.test");
    EXPECT_EQ(store.syncMeta("default_workspace_id"), SyncService::workspaceID);
    const auto deviceID = store.syncMeta("device_id");
    ASSERT_TRUE(deviceID);
    EXPECT_EQ(deviceID->size(), 36u);
    EXPECT_EQ(store.workspaces().size(), 2u);
    ASSERT_TRUE(store.person(SyncService::userID));
    const auto token = storedToken();
    ASSERT_TRUE(token);
    EXPECT_EQ(sessionLive(*token), true) << "the token the service issued";

    ASSERT_TRUE(eventually([&] { return count("/v1/devices") == 1; }));
    const auto registration = requests("/v1/devices").front();
    EXPECT_EQ(
        bodyOf(registration),
        (json{
            {"id", *deviceID}, {"name", "desk"}, {"platform", "linux"}, {"app_version", "1.2.3"}}));
    EXPECT_EQ(registration.header("Authorization"), "Bearer " + *token);
    ASSERT_TRUE(waitForIdle(1)) << "the engine started: its first pass runs at once";
    EXPECT_EQ(count("/v1/me"), 1) << "the pass finds the account fresh";
    EXPECT_TRUE(waitForOpenStreams(1));

    // Signing in again after the session expired keeps the device; a default workspace the
    // user left stays chosen; an account without e-mail loses the stored one.
    service.expireToken();
    store.setSyncMeta("default_workspace_id", "gone");
    service.control("account", {{"user", {{"id", SyncService::userID}, {"name", "Mira Test"}}},
                                {"workspaces", json::array()}});
    code = beginSignIn(*engine);
    service.approve(code.userCode);
    auto again = completeSignIn(*engine, code);
    ASSERT_EQ(outcome(again), signedInAsUser);
    EXPECT_EQ(store.syncMeta("device_id"), deviceID);
    EXPECT_EQ(store.syncMeta("default_workspace_id"), "gone");
    EXPECT_FALSE(store.syncMeta("user_email"));
    EXPECT_TRUE(store.workspaces().empty());
}

TEST_F(SyncEngineSignIn, WithoutWorkspacesNoDefaultIsChosen) {
    service.control("account",
                    {{"user", {{"id", SyncService::userID}}}, {"workspaces", json::array()}});
    make();
    auto code = beginSignIn(*engine);
    service.approve(code.userCode);
    auto future = completeSignIn(*engine, code);
    ASSERT_EQ(outcome(future), signedInAsUser);
    EXPECT_FALSE(store.syncMeta("default_workspace_id"));
    EXPECT_EQ(store.syncMeta("user_name"), "You");
}

TEST_F(SyncEngineSignIn, SlowDownAnswersStretchTheWaitByFiveSecondsEach) {
    service.configure({{"device_interval", 2}});
    timings.pollSecond = 10ms; // the code's 2 s interval is 20 ms, each slow-down 50 ms more
    make();
    auto code = beginSignIn(*engine);
    service.slowDown(2, code.userCode);
    service.approve(code.userCode);
    const auto started = std::chrono::steady_clock::now();
    auto future = completeSignIn(*engine, code);
    ASSERT_EQ(outcome(future), signedInAsUser);
    // 2 + 7 + 12 seconds of the code's pace before the three polls.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 210ms);
    EXPECT_EQ(count(tokenPoll), 3);
}

TEST_F(SyncEngineSignIn, ACodePastItsExpiryIsNeverPolled) {
    make();
    auto code = beginSignIn(*engine);
    code.expiresAt = tavro::now() - 1;
    auto future = completeSignIn(*engine, code);
    EXPECT_EQ(outcome(future), "That code expired. Start again to get a new one.");
    EXPECT_EQ(count(tokenPoll), 0);

    // Pending until the deadline: the poll that began before it still counts, the next check
    // at or after it ends the sign-in without polling again.
    service.inject({.route = tokenPoll, .hold = true});
    code = beginSignIn(*engine);
    code.expiresAt = timings.clock() + 60;
    auto waiting = completeSignIn(*engine, code);
    ASSERT_TRUE(eventually([&] { return service.held(tokenPoll) == 1; }));
    clockOffset->store(120); // the deadline passes while that poll waits for its answer
    service.release(tokenPoll);
    EXPECT_EQ(outcome(waiting), "That code expired. Start again to get a new one.");
    EXPECT_EQ(count(tokenPoll), 1);
}

TEST_F(SyncEngineSignIn, CancellingStopsThePollingPromptlyAndStoresNothing) {
    struct Case {
        const char* name;
        std::function<void()> cancel;
        bool hungPoll;
    };
    const std::vector<Case> cases = {
        {"cancelled between polls", [&] { engine->cancelSignIn(); }, false},
        {"cancelled during a poll that hangs", [&] { engine->cancelSignIn(); }, true},
        {"signed out meanwhile", [&] { signOut(*engine); }, true},
    };
    timings.pollSecond = 20ms;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        make();
        if (c.hungPoll)
            service.inject({.route = tokenPoll, .count = -1, .hold = true});
        auto future = completeSignIn(*engine, beginSignIn(*engine));
        if (c.hungPoll)
            ASSERT_TRUE(eventually([&] { return service.held(tokenPoll) == 1; }));
        else
            ASSERT_TRUE(eventually([&] { return count(tokenPoll) >= 1; }));
        const auto cancelled = std::chrono::steady_clock::now();
        c.cancel();
        ASSERT_EQ(future.wait_for(patience), std::future_status::ready);
        EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 3s) << "within about a second";
        EXPECT_THROW(future.get(), SignInCancelled);
        EXPECT_FALSE(engine->isSignedIn());
        EXPECT_FALSE(storedToken());
        EXPECT_TRUE(meta().empty());
        service.clearFaults();
        engine.reset();
    }
}

TEST_F(SyncEngineSignIn, QuittingWhileThePollWaitsEndsIt) {
    timings.pollSecond = 1s;
    make();
    auto future = completeSignIn(*engine, beginSignIn(*engine));
    const auto quitting = std::chrono::steady_clock::now();
    engine.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - quitting, 1s);
    EXPECT_THROW(future.get(), SignInCancelled);
}

TEST_F(SyncEngineSignIn, AFailureAfterTheTokenArrivedForgetsTheTokenAgain) {
    struct Case {
        const char* name;
        std::optional<SyncService::Fault> fault;
        bool libraryBusy; // another connection writes until the store gives up waiting
        std::string outcome;
    };
    const std::vector<Case> cases = {
        {"account call fails",
         SyncService::Fault{
             .route = "/v1/me", .status = 500, .body = R"({"message":"boom"})", .count = -1},
         false, "Server error 500: boom"},
        {"account reply unreadable",
         SyncService::Fault{
             .route = "/v1/me", .status = 200, .body = R"({"user":"nobody"})", .count = -1},
         false, "Unexpected reply from the server."},
        {"account call offline", SyncService::Fault{.route = "/v1/me", .count = -1, .hangUp = true},
         false, "Can't reach tavro.dev \u2014 Empty reply from server"},
        {"activation cannot write", std::nullopt, true, "SQL execution failed: database is locked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.fault)
            service.inject(*c.fault);
        make();
        auto code = beginSignIn(*engine);
        if (c.libraryBusy)
            store.db().execute("BEGIN IMMEDIATE;");
        service.approve(code.userCode);
        auto future = completeSignIn(*engine, code);
        const std::string ended = outcome(future);
        if (c.libraryBusy)
            store.db().execute("ROLLBACK;");
        EXPECT_EQ(ended.substr(0, ended.find('\n')), c.outcome);
        EXPECT_FALSE(engine->isSignedIn());
        EXPECT_FALSE(storedToken()) << "no token left behind";
        EXPECT_EQ(engine->status().kind, Kind::signedOut);
        engine.reset();
        make();
        EXPECT_EQ(engine->status().kind, Kind::signedOut) << "a restart finds no session";
        engine.reset();
        service.clearFaults();
    }
}

TEST_F(SyncEngineSignIn, SignOutKeepsTheCapturesTheServiceNeverHad) {
    running();
    const std::string token = *storedToken();
    addCapture("shared", SyncService::workspaceID, "synced");
    addCapture("firstPush", SyncService::workspaceID, "pendingPush"); // filed, never pushed
    addCapture("local", std::nullopt, "local");
    store.db().execute("INSERT INTO groups (id, name, created_at, updated_at, workspace_id, "
                       "sync_state) VALUES ('g', 'Team group', 1, 1, ?, 'synced');",
                       {std::string(SyncService::workspaceID)});
    notifier->count = 0;

    signOut(*engine);

    EXPECT_FALSE(store.rawCapture("shared"));
    for (const char* id : {"firstPush", "local"}) {
        auto capture = store.rawCapture(id);
        ASSERT_TRUE(capture) << id;
        EXPECT_FALSE(capture->workspaceID) << id << " stays on the board as a local capture";
        EXPECT_EQ(capture->syncState, SyncState::local) << id;
    }
    EXPECT_TRUE(meta().empty());
    EXPECT_TRUE(store.workspaces().empty());
    EXPECT_FALSE(store.group("g"));
    EXPECT_FALSE(engine->isSignedIn());
    EXPECT_FALSE(storedToken());
    EXPECT_FALSE(engine->lastSync());
    EXPECT_EQ(statuses.last(), SyncStatus{.kind = Kind::signedOut});
    const auto signOuts = requests("/api/auth/sign-out");
    ASSERT_EQ(signOuts.size(), 1u);
    EXPECT_EQ(signOuts.front().header("Authorization"), "Bearer " + token);
    EXPECT_EQ(sessionLive(token), false) << "the service ended the session";
    EXPECT_GE(notifier->count, 1);
    EXPECT_TRUE(waitForOpenStreams(0));
}

TEST_F(SyncEngineSignIn, SignOutWhileOfflineStillForgetsEverything) {
    running();
    service.inject({.route = "/api/auth/sign-out", .count = -1, .hangUp = true});
    signOut(*engine);
    EXPECT_GE(count("/api/auth/sign-out"), 1) << "the service was asked";
    EXPECT_FALSE(engine->isSignedIn());
    EXPECT_FALSE(storedToken());
    EXPECT_TRUE(meta().empty());
    EXPECT_EQ(engine->status(), SyncStatus{.kind = Kind::signedOut});
}

TEST_F(SyncEngineSignIn, AReplyThatArrivesAfterSignOutOrStopIsDropped) {
    struct Case {
        const char* name;
        bool replyArrives; // the request ignores the stop and its reply comes in late
        bool signsOut;     // else the engine only stops
    };
    // No pass the event stream begins runs in place of the one asked for below.
    useManualClock();
    for (const Case c : {Case{"request stopped", false, true}, Case{"late reply", true, true},
                         Case{"late reply after stop", true, false}}) {
        SCOPED_TRACE(c.name);
        // A user of its own: the service hands earlier cases' users out as people.
        const std::string late = std::string("late: ") + c.name;
        std::shared_ptr<StopDeafTransport> deaf;
        transport = makeCurlTransport();
        if (c.replyArrives)
            transport = deaf = std::make_shared<StopDeafTransport>("/v1/me");
        store.setSyncMeta("last_reconcile", formatISO8601(tavro::now()));
        running();
        const auto lastSync = store.syncMeta("last_sync");
        clockOffset->store(SyncTimings{}.accountRefreshAge);
        service.control("account",
                        {{"user", {{"id", late}, {"name", "Late"}}},
                         {"workspaces", {{{"id", "w9"}, {"name", "Late"}, {"slug", "l"}}}}});
        service.inject({.route = "/v1/me", .hold = true});
        std::thread pass([&] { syncNow(*engine); });
        EXPECT_TRUE(eventually([&] { return service.held("/v1/me") == 1; }))
            << count("/v1/me") << " account calls; " << statuses.describe();
        std::thread ending([&] { c.signsOut ? signOut(*engine) : engine->stop(); });
        if (c.replyArrives) {
            EXPECT_TRUE(eventually([&] { return deaf->stopIgnored(); }));
            service.release("/v1/me");
        }
        ending.join();
        pass.join();
        ASSERT_TRUE(advance(100ms));

        EXPECT_FALSE(store.person(late)) << "the late account was not written";
        EXPECT_TRUE(store.syncLog(10).empty()) << "a dropped pass is no failure";
        if (c.signsOut) {
            EXPECT_TRUE(meta().empty()) << "neither the refresh nor last_sync was written";
            EXPECT_TRUE(store.workspaces().empty());
            EXPECT_EQ(statuses.last(), SyncStatus{.kind = Kind::signedOut});
        } else {
            EXPECT_EQ(store.syncMeta("user_id"), SyncService::userID);
            ASSERT_EQ(store.workspaces().size(), 1u);
            EXPECT_EQ(store.workspaces().front().id, SyncService::workspaceID);
            EXPECT_EQ(store.syncMeta("last_sync"), lastSync);
        }
        service.clearFaults();
        engine.reset();
        statuses.clear();
        SyncLedger(store).purgeAccountData();
        secrets->remove(SecretStore::sessionAccount);
        service.control(
            "account",
            {{"user", {{"id", SyncService::userID}, {"name", "Mira Test"}}},
             {"workspaces",
              {{{"id", SyncService::workspaceID}, {"name", "Team"}, {"slug", "team"}}}}});
        clockOffset->store(0);
    }
}

TEST_F(SyncEngineSignIn, AdoptionMovesLocalCapturesAndSyncs) {
    running();
    addCapture("a", std::nullopt, "local");
    addCapture("b", std::nullopt, "local");
    adoptLocalCaptures(*engine, SyncService::workspaceID, std::vector<std::string>{});
    EXPECT_TRUE(store.localCaptures().size() == 2) << "an empty list adopts nothing";
    EXPECT_EQ(statuses.count(Kind::syncing), 2) << "and still syncs";

    adoptLocalCaptures(*engine, SyncService::workspaceID, std::vector<std::string>{"a", "missing"});
    EXPECT_EQ(store.rawCapture("a")->workspaceID, SyncService::workspaceID);
    EXPECT_FALSE(store.rawCapture("b")->workspaceID);
    adoptLocalCaptures(*engine, SyncService::workspaceID);
    EXPECT_TRUE(store.localCaptures().empty());
    EXPECT_EQ(store.rawCapture("b")->syncState, SyncState::synced) << "the pass pushed it";

    setDefaultWorkspace(*engine, "w2");
    EXPECT_EQ(store.syncMeta("default_workspace_id"), "w2");
    setDefaultWorkspace(*engine, std::nullopt);
    EXPECT_FALSE(store.syncMeta("default_workspace_id"));
}

TEST_F(SyncEngineSignIn, WritesTheLibraryRefusesReachTheCallerAndSignOutCanBeTriedAgain) {
    struct Case {
        const char* name;
        std::function<void()> call;
    };
    const std::vector<Case> cases = {
        {"sign-out",
         [&] {
             signOut(*engine);
         }},
        {"default workspace",
         [&] {
             setDefaultWorkspace(*engine, std::nullopt);
         }},
    };
    running();
    const auto before = meta();
    ASSERT_FALSE(before.empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            // Another program holds the library's write lock past the busy timeout.
            CaptureStore other(library.database(), std::make_shared<NullStoreChangeNotifier>());
            other.db().execute("BEGIN IMMEDIATE;");
            EXPECT_THROW(c.call(), DatabaseError);
            other.db().execute("ROLLBACK;");
        }
        EXPECT_EQ(meta(), before) << "nothing of the account was forgotten";
        EXPECT_EQ(store.defaultWorkspaceID(), SyncService::workspaceID);
        EXPECT_TRUE(storedToken()) << "the session stays for another try";
        EXPECT_TRUE(engine->isSignedIn());
    }
    ASSERT_TRUE(statuses.last());
    EXPECT_EQ(statuses.last()->kind, Kind::failed);
    EXPECT_TRUE(statuses.last()->message.starts_with("Couldn't sign out: "))
        << statuses.last()->message;

    signOut(*engine);
    EXPECT_TRUE(meta().empty());
    EXPECT_FALSE(storedToken());
    EXPECT_EQ(engine->status(), SyncStatus{.kind = Kind::signedOut});
}

// The user waits on a sign-out: a held lock is reported after one wait for it, not after every
// retry, and the reason reaches the sync log as soon as the lock is let go.
TEST_F(SyncEngineSignIn, ASignOutThatMeetsAHeldLockSaysSoAtOnceAndLogsItOnceTheLockIsFree) {
    useManualClock();
    running();
    const std::string line = "error: Couldn't sign out: SQL execution failed: database is "
                             "locked\nBEGIN IMMEDIATE TRANSACTION;";
    const auto logged = [&] {
        const auto lines = log();
        return std::count(lines.begin(), lines.end(), line);
    };
    CaptureStore other(library.database(), std::make_shared<NullStoreChangeNotifier>());
    other.db().execute("BEGIN IMMEDIATE;");
    std::promise<std::exception_ptr> ended;
    const auto asked = std::chrono::steady_clock::now();
    engine->signOut([&](std::exception_ptr error) { ended.set_value(error); });
    const std::exception_ptr error = ended.get_future().get();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2 * Database::briefLockWait)
        << "one wait for the lock";
    EXPECT_THROW(std::rethrow_exception(error), DatabaseError);
    EXPECT_EQ(statuses.last(), (SyncStatus{.kind = Kind::failed, .message = line.substr(7)}));
    EXPECT_EQ(logged(), 0) << "the lock keeps the line out for now";
    EXPECT_TRUE(storedToken());

    other.db().execute("ROLLBACK;");
    ASSERT_TRUE(advance(timings.heldLogRetry));
    EXPECT_TRUE(eventually([&] { return logged() == 1; })) << testing::PrintToString(log());
    syncNow(*engine);
    EXPECT_EQ(logged(), 1) << "written once";
    EXPECT_EQ(statuses.last()->kind, Kind::idle);
}
