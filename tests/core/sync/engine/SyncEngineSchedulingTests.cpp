#include "EventSeeingTransport.h"
#include "StandInEngine.h"

#include "sync/SyncError.h"

#include <thread>

using namespace tavro;
using namespace tavro::test;
using Kind = SyncStatus::Kind;

namespace {

struct SyncEngineScheduling : StandInEngine {};

// Passes never overlap: every syncing is followed by the end of that pass before the next.
bool passesAlternate(const std::vector<SyncStatus>& statuses) {
    bool inPass = false;
    for (const auto& status : statuses) {
        if (status.kind == Kind::syncing) {
            if (inPass)
                return false;
            inPass = true;
        } else {
            inPass = false;
        }
    }
    return true;
}

} // namespace

TEST_F(SyncEngineScheduling, StartsFromTheStoredTokenAndLastSync) {
    useManualClock();
    store.setSyncMeta("last_sync", "2026-03-01T12:00:00.250Z");
    signedIn();
    make();
    ASSERT_EQ(statuses.all().size(), 1u) << "the handler hears the status at once";
    EXPECT_EQ(statuses.all()[0], (SyncStatus{.kind = Kind::idle, .lastSync = 1772366400.25}));
    EXPECT_EQ(engine->lastSync(), 1772366400.25);
    EXPECT_TRUE(engine->isSignedIn());

    engine.reset();
    secrets->remove(SecretStore::sessionAccount);
    statuses.clear();
    make();
    EXPECT_EQ(engine->status(), SyncStatus{.kind = Kind::signedOut});
    engine->start();
    engine->noteLocalChange();
    syncNow(*engine);
    ASSERT_TRUE(advance(timings.loop + timings.debounce));
    EXPECT_TRUE(service.requests().empty()) << "signed out: no loop, stream or pass";
    EXPECT_EQ(statuses.all().size(), 1u);
}

TEST_F(SyncEngineScheduling, TheLoopRunsAPassAtOnceAndThenAfterEachPass) {
    timings.loop = 150ms;
    useManualClock();
    signedIn();
    make();
    engine->start();
    engine->start(); // changes nothing
    ASSERT_TRUE(waitForIdle(1));
    for (int pass = 2; pass <= 3; ++pass) {
        ASSERT_TRUE(advance(timings.loop - 1ms));
        EXPECT_EQ(statuses.count(Kind::syncing), pass - 1) << "not before the loop's time";
        ASSERT_TRUE(advance(1ms));
        ASSERT_TRUE(waitForIdle(pass));
    }
    EXPECT_EQ(count("/v1/me"), 1) << "the account is fresh after the first pass";
    EXPECT_TRUE(waitForOpenStreams(1));
    EXPECT_EQ(count("/v1/events"), 1) << "one stream however often started";
    EXPECT_TRUE(passesAlternate(statuses.all()));
    auto last = statuses.last();
    ASSERT_TRUE(last && last->kind == Kind::idle);
    EXPECT_EQ(last->lastSync, engine->lastSync());
    EXPECT_EQ(store.syncMeta("last_sync"), formatISO8601(*engine->lastSync()));

    const auto stopping = std::chrono::steady_clock::now();
    engine->stop();
    ASSERT_TRUE(waitForOpenStreams(0)) << "stop ends the stream";
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 3s) << "within about a second";
    const int passes = statuses.count(Kind::syncing);
    ASSERT_TRUE(advance(3 * timings.loop));
    EXPECT_EQ(statuses.count(Kind::syncing), passes);
}

TEST_F(SyncEngineScheduling, ABurstOfLocalChangesMakesOnePassAfterTheLast) {
    timings.debounce = 500ms;
    useManualClock();
    running();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(advance(10ms));
        engine->noteLocalChange();
    }
    ASSERT_TRUE(advance(timings.debounce - 1ms));
    EXPECT_EQ(statuses.count(Kind::syncing), 1) << "not before the debounce after the last";
    ASSERT_TRUE(advance(1ms));
    ASSERT_TRUE(waitForIdle(2));
    ASSERT_TRUE(advance(300ms));
    EXPECT_EQ(statuses.count(Kind::syncing), 2) << "one pass for the whole burst";
}

TEST_F(SyncEngineScheduling, RequestsDuringAPassMakeItRunOnceMore) {
    useManualClock();
    running();
    clockOffset->store(SyncTimings{}.accountRefreshAge); // the next pass refreshes the account
    service.inject({.route = "/v1/me", .hold = true});
    std::thread first([&] { syncNow(*engine); });
    EXPECT_TRUE(eventually([&] { return service.held("/v1/me") == 1; }))
        << count("/v1/me") << " account calls; " << statuses.describe();
    for (int i = 0; i < 3; ++i)
        syncNow(*engine); // returns at once: a pass is running
    engine->noteLocalChange();
    service.release("/v1/me");
    first.join();
    ASSERT_TRUE(waitForIdle(3));
    ASSERT_TRUE(advance(timings.loop));
    ASSERT_TRUE(waitForIdle(4));
    ASSERT_TRUE(advance(200ms));
    EXPECT_EQ(statuses.count(Kind::syncing), 4)
        << "the start's pass, the one that hung, one repeat for the three requests made during "
           "it, and one after the debounce";
    EXPECT_TRUE(passesAlternate(statuses.all()));
}

TEST_F(SyncEngineScheduling, AnErrorThatEndsAPassBecomesAStatusAndALogLine) {
    struct Case {
        const char* name;
        SyncService::Fault fault;
        SyncStatus expected;
        std::vector<std::string> log;
    };
    const std::vector<Case> cases = {
        {"transport failure",
         {.route = "/v1/me", .count = -1, .hangUp = true},
         {.kind = Kind::offline, .message = "Empty reply from server"},
         {}},
        {"server error",
         {.route = "/v1/me", .status = 500, .body = R"({"error":{"message":"database down"}})"},
         {.kind = Kind::failed, .message = "Server error 500: database down"},
         {"error: Server error 500: database down"}},
        {"unreadable reply",
         {.route = "/v1/me", .status = 200, .body = "[1,2]"},
         {.kind = Kind::failed, .message = "Unexpected reply from the server."},
         {"error: Unexpected reply from the server."}},
        {"uploads switched off",
         {.route = "/v1/me", .status = 403, .body = R"({"error":{"code":"uploads_disabled"}})"},
         {.kind = Kind::failed, .message = "Screenshot uploads are switched off on this server."},
         {"error: Screenshot uploads are switched off on this server."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.db().execute("DELETE FROM sync_log;");
        store.setSyncMeta("last_sync", "2026-03-01T12:00:00.000Z");
        statuses.clear();
        service.inject(c.fault);
        signedIn();
        make().start();
        ASSERT_TRUE(waitForIdle(1));
        EXPECT_EQ(statuses.last(), c.expected);
        EXPECT_EQ(log(), c.log);
        EXPECT_EQ(engine->lastSync(), 1772366400) << "a failed pass keeps the last sync";
        EXPECT_EQ(store.syncMeta("last_sync"), "2026-03-01T12:00:00.000Z");
        EXPECT_TRUE(engine->isSignedIn());
        engine.reset();
        service.clearFaults();
    }
}

TEST_F(SyncEngineScheduling, ARejectedSessionSignsOutOnceAndStopsEverything) {
    useManualClock();
    running();
    ASSERT_TRUE(waitForOpenStreams(1));
    clockOffset->store(SyncTimings{}.accountRefreshAge);
    service.expireToken();
    service.inject({.route = "/v1/me", .hold = true});
    std::thread pass([&] { syncNow(*engine); });
    EXPECT_TRUE(eventually([&] { return service.held("/v1/me") == 1; }))
        << count("/v1/me") << " account calls; " << statuses.describe();
    syncNow(*engine); // queues a repeat of the pass that is about to fail
    engine->noteLocalChange();
    service.release("/v1/me");
    pass.join();
    ASSERT_TRUE(waitForStatus(SyncStatus{.kind = Kind::sessionExpired}));
    ASSERT_TRUE(advance(300ms));

    EXPECT_EQ(log(), std::vector<std::string>{"warn: Session rejected by the server; signed out"});
    EXPECT_EQ(statuses.count(Kind::syncing), 2) << "no repeat without a token";
    EXPECT_EQ(statuses.last(), SyncStatus{.kind = Kind::sessionExpired});
    EXPECT_FALSE(engine->isSignedIn());
    EXPECT_FALSE(storedToken());
    EXPECT_TRUE(waitForOpenStreams(0));
    const auto requests = service.requests().size();
    engine->noteLocalChange();
    syncNow(*engine);
    ASSERT_TRUE(advance(150ms));
    EXPECT_EQ(service.requests().size(), requests);
}

TEST_F(SyncEngineScheduling, QuittingDuringAHungRequestEndsPromptly) {
    timings.loop = 50ms;
    useManualClock();
    running();
    service.inject({.route = "/v1/me", .hold = true});
    clockOffset->store(SyncTimings{}.accountRefreshAge); // the loop's next pass hangs on it
    ASSERT_TRUE(settle());
    deadlines->advance(timings.loop, 0ms); // that pass does not end: no waiting for it
    ASSERT_TRUE(eventually([&] { return service.held("/v1/me") == 1; }))
        << count("/v1/me") << " account calls; " << statuses.describe();
    const auto quitting = std::chrono::steady_clock::now();
    engine.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - quitting, 3s) << "within about a second";
    EXPECT_TRUE(store.syncLog(10).empty()) << "a pass cut short by quitting is no failure";
}

TEST_F(SyncEngineScheduling, AChangeDuringAPassRepeatsThePassAsSoonAsItEnds) {
    auto seeing = std::make_shared<EventSeeingTransport>();
    transport = seeing;
    timings.debounce = 8s; // a repeat that waited for it would come far too late
    running();
    ASSERT_TRUE(waitForOpenStreams(1));
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const std::vector<Case> cases = {
        {"a local change",
         [&] {
             engine->noteLocalChange();
         }},
        {"a change on the event stream",
         [&] {
             const int seen = seeing->changes;
             service.announceChange();
             ASSERT_TRUE(eventually([&] { return seeing->changes > seen; }));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        statuses.clear();
        service.inject({.route = "/v1/sync", .hold = true});
        engine->syncNow(nullptr);
        ASSERT_TRUE(eventually([&] { return service.held("/v1/sync") == 1; }))
            << statuses.describe();
        c.change();
        service.release("/v1/sync");
        EXPECT_TRUE(waitForIdle(2, 4s)) << statuses.describe();
        service.clearFaults();
    }
}

TEST_F(SyncEngineScheduling, StoppingDuringAPassLeavesTheStatusIdle) {
    running();
    const auto lastSync = engine->lastSync();
    service.inject({.route = "/v1/sync", .hold = true});
    engine->syncNow(nullptr);
    ASSERT_TRUE(eventually([&] { return service.held("/v1/sync") == 1; })) << statuses.describe();
    engine->stop();
    EXPECT_TRUE(waitForStatus({.kind = Kind::idle, .lastSync = lastSync})) << statuses.describe();
}
