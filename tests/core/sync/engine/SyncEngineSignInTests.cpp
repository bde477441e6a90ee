#include "EngineFixture.h"

#include "sync/SyncError.h"

#include <thread>

using namespace tavro;
using namespace tavro::test;
using Kind = SyncStatus::Kind;

namespace {

struct SyncEngineSignIn : EngineFixture {
    // What a sign-in ended with: the account's user id, or the error's text.
    std::string outcome(std::future<AccountInfo>& future) {
        if (future.wait_for(5s) != std::future_status::ready)
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
};

} // namespace

TEST_F(SyncEngineSignIn, ThePollsAnswersDecideHowTheSignInEnds) {
    struct Case {
        const char* name;
        std::vector<std::string> polls;
        std::string outcome;
        int pollCount;
    };
    const std::vector<Case> cases = {
        {"approved", {"authorization_pending", "authorization_pending", "token"},
         "signed in as user-1", 3},
        {"denied", {"authorization_pending", "access_denied"},
         "The sign-in was denied in the browser.", 2},
        {"expired on the server", {"expired_token"},
         "That code expired. Start again to get a new one.", 1},
        {"unknown error codes keep waiting", {"what_now", "token"}, "signed in as user-1", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = service->count("/api/auth/device/token");
        service->scriptPolls(c.polls);
        make();
        auto code = engine->beginSignIn();
        EXPECT_EQ(code.userCode, "WDJB-MJHT");
        auto future = engine->completeSignIn(code);
        EXPECT_EQ(outcome(future), c.outcome);
        EXPECT_EQ(service->count("/api/auth/device/token") - before, c.pollCount);
        const bool signedIn = c.outcome.starts_with("signed in");
        EXPECT_EQ(engine->isSignedIn(), signedIn);
        EXPECT_EQ(secrets->read(SecretStore::sessionAccount).has_value(), signedIn);
        EXPECT_EQ(engine->status().kind != Kind::signedOut, signedIn);
        if (signedIn)
            engine->signOut();
        engine.reset();
    }
}

TEST_F(SyncEngineSignIn, ActivationRecordsTheAccountDeviceAndDefaultWorkspaceThenStarts) {
    service->scriptPolls({"token"});
    make();
    auto future = engine->completeSignIn(engine->beginSignIn());
    ASSERT_EQ(outcome(future), "signed in as user-1");
    EXPECT_EQ(store.syncMeta("user_id"), "user-1");
    EXPECT_EQ(store.syncMeta("user_name"), "Ada");
    EXPECT_EQ(store.syncMeta("user_email"), "ada@example.com");
    EXPECT_EQ(store.syncMeta("default_workspace_id"), "w1");
    const auto deviceID = store.syncMeta("device_id");
    ASSERT_TRUE(deviceID);
    EXPECT_EQ(deviceID->size(), 36u);
    EXPECT_EQ(store.workspaces().size(), 2u);
    ASSERT_TRUE(store.person("user-1"));
    EXPECT_EQ(secrets->read(SecretStore::sessionAccount), FakeService::goodToken);

    ASSERT_TRUE(service->waitFor([&] { return service->count("/v1/devices") == 1; }));
    const auto registration = service->requests("/v1/devices").front();
    EXPECT_EQ(registration.body, (nlohmann::json{{"id", *deviceID},
                                                 {"name", "desk"},
                                                 {"platform", "linux"},
                                                 {"app_version", "1.2.3"}}));
    ASSERT_TRUE(waitForIdle(1)) << "the engine started: its first pass runs at once";
    EXPECT_EQ(service->count("/v1/me"), 1) << "the pass finds the account fresh";
    EXPECT_TRUE(service->waitFor([&] { return service->openStreams() == 1; }));

    // Signing in again after the session expired keeps the device; a default workspace the
    // user left stays chosen; an account without e-mail loses the stored one.
    service->expireSession();
    store.setSyncMeta("default_workspace_id", "gone");
    service->setAccount({{"user", {{"id", "user-1"}, {"name", "Ada"}}},
                         {"workspaces", nlohmann::json::array()}});
    service->scriptPolls({"token"});
    auto again = engine->completeSignIn(engine->beginSignIn());
    ASSERT_EQ(outcome(again), "signed in as user-1");
    EXPECT_EQ(store.syncMeta("device_id"), deviceID);
    EXPECT_EQ(store.syncMeta("default_workspace_id"), "gone");
    EXPECT_FALSE(store.syncMeta("user_email"));
    EXPECT_TRUE(store.workspaces().empty());
}

TEST_F(SyncEngineSignIn, WithoutWorkspacesNoDefaultIsChosen) {
    service->setAccount({{"user", {{"id", "user-1"}}}, {"workspaces", nlohmann::json::array()}});
    service->scriptPolls({"token"});
    make();
    auto future = engine->completeSignIn(engine->beginSignIn());
    ASSERT_EQ(outcome(future), "signed in as user-1");
    EXPECT_FALSE(store.syncMeta("default_workspace_id"));
    EXPECT_EQ(store.syncMeta("user_name"), "You");
}

TEST_F(SyncEngineSignIn, SlowDownAnswersStretchTheWaitByFiveSecondsEach) {
    timings.pollSecond = 10ms; // the code's 2 s interval is 20 ms, each slow-down 50 ms more
    service->scriptPolls({"slow_down", "slow_down", "token"});
    make();
    const auto started = std::chrono::steady_clock::now();
    auto future = engine->completeSignIn(engine->beginSignIn());
    ASSERT_EQ(outcome(future), "signed in as user-1");
    // 2 + 7 + 12 seconds of the code's pace before the three polls.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 210ms);
    EXPECT_EQ(service->count("/api/auth/device/token"), 3);
}

TEST_F(SyncEngineSignIn, ACodePastItsExpiryIsNeverPolled) {
    make();
    auto code = engine->beginSignIn();
    code.expiresAt = tavro::now() - 1;
    auto future = engine->completeSignIn(code);
    EXPECT_EQ(outcome(future), "That code expired. Start again to get a new one.");
    EXPECT_EQ(service->count("/api/auth/device/token"), 0);

    // Pending until the deadline: the poll that began before it still counts, the next check
    // at or after it ends the sign-in without polling again.
    code = engine->beginSignIn();
    code.expiresAt = timings.clock() + 1.5;
    auto waiting = engine->completeSignIn(code);
    EXPECT_EQ(outcome(waiting), "That code expired. Start again to get a new one.");
    EXPECT_GE(service->count("/api/auth/device/token"), 1);
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
        {"signed out meanwhile", [&] { engine->signOut(); }, true},
    };
    timings.pollSecond = 20ms;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        make();
        if (c.hungPoll)
            service->hangRoute("/api/auth/device/token");
        auto future = engine->completeSignIn(engine->beginSignIn());
        if (c.hungPoll)
            ASSERT_TRUE(service->waitFor(
                [&] { return service->count("/api/auth/device/token") > 0; }));
        else
            std::this_thread::sleep_for(50ms);
        const auto cancelled = std::chrono::steady_clock::now();
        c.cancel();
        ASSERT_EQ(future.wait_for(2s), std::future_status::ready);
        EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 1s);
        EXPECT_THROW(future.get(), SignInCancelled);
        EXPECT_FALSE(engine->isSignedIn());
        EXPECT_FALSE(secrets->read(SecretStore::sessionAccount));
        EXPECT_TRUE(meta().empty());
        service->release("/api/auth/device/token");
        engine.reset();
    }
}

TEST_F(SyncEngineSignIn, QuittingWhileThePollWaitsEndsIt) {
    timings.pollSecond = 1s;
    make();
    auto future = engine->completeSignIn(engine->beginSignIn());
    const auto quitting = std::chrono::steady_clock::now();
    engine.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - quitting, 1s);
    EXPECT_THROW(future.get(), SignInCancelled);
}

TEST_F(SyncEngineSignIn, AFailureAfterTheTokenArrivedForgetsTheTokenAgain) {
    struct Case {
        const char* name;
        long status;
        std::string body;
        std::string outcome;
    };
    const std::vector<Case> cases = {
        {"account call fails", 500, R"({"message":"boom"})", "Server error 500: boom"},
        {"account reply unreadable", 200, R"({"user":"nobody"})",
         "Unexpected reply from the server."},
        {"account call offline", 0, "Connection reset", "Can't reach tavro.dev — Connection reset"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service->scriptPolls({"token"});
        service->failRoute("/v1/me", c.status, c.body);
        make();
        auto future = engine->completeSignIn(engine->beginSignIn());
        EXPECT_EQ(outcome(future), c.outcome);
        EXPECT_FALSE(engine->isSignedIn());
        EXPECT_FALSE(secrets->read(SecretStore::sessionAccount)) << "no token left behind";
        EXPECT_EQ(engine->status().kind, Kind::signedOut);
        engine.reset();
        make();
        EXPECT_EQ(engine->status().kind, Kind::signedOut) << "a restart finds no session";
        engine.reset();
        service->clearFailure("/v1/me");
    }
}

TEST_F(SyncEngineSignIn, SignOutKeepsTheCapturesTheServiceNeverHad) {
    running();
    addCapture("shared", "w1", "synced");
    addCapture("firstPush", "w1", "pendingPush"); // filed in the workspace, never pushed
    addCapture("local", std::nullopt, "local");
    store.db().execute("INSERT INTO groups (id, name, created_at, updated_at, workspace_id, "
                       "sync_state) VALUES ('g', 'Team group', 1, 1, 'w1', 'synced');");
    notifier->count = 0;

    engine->signOut();

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
    EXPECT_FALSE(secrets->read(SecretStore::sessionAccount));
    EXPECT_FALSE(engine->lastSync());
    EXPECT_EQ(statuses.last(), SyncStatus{.kind = Kind::signedOut});
    EXPECT_EQ(service->requests("/api/auth/sign-out").size(), 1u);
    EXPECT_EQ(service->requests("/api/auth/sign-out").front().bearer, FakeService::goodToken);
    EXPECT_GE(notifier->count, 1);
    EXPECT_EQ(service->openStreams(), 0);
}

TEST_F(SyncEngineSignIn, SignOutWhileOfflineStillForgetsEverything) {
    running();
    service->failRoute("/api/auth/sign-out", 0, "Network is unreachable");
    engine->signOut();
    EXPECT_FALSE(engine->isSignedIn());
    EXPECT_FALSE(secrets->read(SecretStore::sessionAccount));
    EXPECT_TRUE(meta().empty());
    EXPECT_EQ(engine->status(), SyncStatus{.kind = Kind::signedOut});
}

TEST_F(SyncEngineSignIn, AReplyThatArrivesAfterSignOutIsDropped) {
    struct Case {
        const char* name;
        bool replyArrives; // the request ignores the stop and its reply comes in late
    };
    for (const Case c : {Case{"request stopped", false}, Case{"late reply", true}}) {
        SCOPED_TRACE(c.name);
        store.setSyncMeta("last_reconcile", formatISO8601(tavro::now()));
        running();
        clockOffset->store(SyncTimings{}.accountRefreshAge);
        service->setAccount({{"user", {{"id", "user-2"}, {"name", "Late"}}},
                             {"workspaces", {{{"id", "w9"}, {"name", "Late"}, {"slug", "l"}}}}});
        service->hangRoute("/v1/me", c.replyArrives);
        const int fetched = service->count("/v1/me");
        std::thread pass([&] { engine->syncNow(); });
        EXPECT_TRUE(service->waitFor([&] { return service->count("/v1/me") == fetched + 1; }));
        std::thread signingOut([&] { engine->signOut(); });
        if (c.replyArrives) {
            std::this_thread::sleep_for(50ms);
            service->release("/v1/me");
        }
        signingOut.join();
        pass.join();
        std::this_thread::sleep_for(100ms);

        EXPECT_TRUE(meta().empty()) << "neither the refresh nor last_sync was written";
        EXPECT_TRUE(store.workspaces().empty());
        EXPECT_FALSE(store.person("user-2"));
        EXPECT_TRUE(store.syncLog(10).empty()) << "a dropped pass is no failure";
        EXPECT_EQ(statuses.last(), SyncStatus{.kind = Kind::signedOut});
        service->release("/v1/me");
        engine.reset();
        statuses.clear();
        service->setAccount({{"user", {{"id", "user-1"}, {"name", "Ada"}}},
                             {"workspaces", nlohmann::json::array()}});
        clockOffset->store(0);
    }
}

TEST_F(SyncEngineSignIn, AdoptionMovesLocalCapturesAndSyncs) {
    running();
    addCapture("a", std::nullopt, "local");
    addCapture("b", std::nullopt, "local");
    engine->adoptLocalCaptures("w1", std::vector<std::string>{});
    EXPECT_TRUE(store.localCaptures().size() == 2) << "an empty list adopts nothing";
    EXPECT_EQ(statuses.count(Kind::syncing), 2) << "and still syncs";

    engine->adoptLocalCaptures("w1", std::vector<std::string>{"a", "missing"});
    EXPECT_EQ(store.rawCapture("a")->workspaceID, "w1");
    EXPECT_FALSE(store.rawCapture("b")->workspaceID);
    engine->adoptLocalCaptures("w1");
    EXPECT_TRUE(store.localCaptures().empty());
    EXPECT_EQ(store.rawCapture("b")->syncState, SyncState::pendingPush);

    engine->setDefaultWorkspace("w2");
    EXPECT_EQ(store.syncMeta("default_workspace_id"), "w2");
    engine->setDefaultWorkspace(std::nullopt);
    EXPECT_FALSE(store.syncMeta("default_workspace_id"));
}
