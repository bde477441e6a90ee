#pragma once

#include "sync/SyncEngine.h"

#include "CountingNotifier.h"
#include "EngineCalls.h"
#include "ManualSyncClock.h"
#include "MemorySecrets.h"
#include "StatusLog.h"
#include "SyncService.h"
#include "TempLibrary.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tavro::test {

using namespace std::chrono_literals;

// How long a wait for something that should happen soon may take. Generous, since other
// builds may load the machine; a condition that holds ends the wait at once.
inline constexpr std::chrono::milliseconds patience = 20s;

// Waits until the condition holds, or the time runs out; gives whether it held.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = patience,
                       std::chrono::milliseconds step = 5ms) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

// The real engine and HTTP transport against the loopback stand-in of the service
// (SyncService), over a throw-away library, with every delay in milliseconds, a memory
// keyring and a wall clock the test moves. The test keeps its own connection to the library,
// as the app does. Change `timings` or `transport` before make().
struct StandInEngine : ::testing::Test {
    SyncService service;
    TempLibrary library;
    std::shared_ptr<MemorySecrets> secrets = std::make_shared<MemorySecrets>();
    std::shared_ptr<CountingNotifier> notifier = std::make_shared<CountingNotifier>();
    std::shared_ptr<HttpTransport> transport = makeCurlTransport();
    CaptureStore store{library.database(), std::make_shared<NullStoreChangeNotifier>()};
    std::shared_ptr<std::atomic<double>> clockOffset = std::make_shared<std::atomic<double>>(0);
    SyncTimings timings{.loop = 10s,
                        .debounce = 60ms,
                        .reconnect = 80ms,
                        .pollSecond = 2ms,
                        .clock = [offset = clockOffset] {
                            return tavro::now() + offset->load();
                        }};
    StatusLog statuses;
    // Set by useManualClock(): the worker's deadlines then fall due only as the test moves it.
    std::shared_ptr<ManualSyncClock> deadlines;
    std::unique_ptr<SyncEngine> engine;

    // The service pings open event streams often, as a busy one would; the transport, which
    // looks at its stop requests as bytes arrive, then ends a stream at once.
    StandInEngine() { service.configure({{"keepalive", 0.05}}); }
    // Ends the engine before the service and the library go.
    void TearDown() override { engine.reset(); }

    // A session the service knows, stored where the engine reads its token; gives the token.
    std::string signedIn() {
        const std::string token = service.issueToken();
        secrets->write(token, SecretStore::sessionAccount);
        return token;
    }
    std::optional<std::string> storedToken() { return secrets->read(SecretStore::sessionAccount); }

    SyncEngine& make() {
        engine = std::make_unique<SyncEngine>(SyncEngineConfig{.database = library.database(),
                                                               .baseURL = service.baseURL(),
                                                               .deviceName = "desk",
                                                               .appVersion = "1.2.3",
                                                               .secrets = secrets,
                                                               .transport = transport,
                                                               .notifier = notifier,
                                                               .timings = timings});
        onStatus(*engine, [this](const SyncStatus& status) { statuses.add(status); });
        return *engine;
    }

    // Call before make().
    void useManualClock() {
        deadlines = std::make_shared<ManualSyncClock>();
        timings.deadlineClock = deadlines;
    }
    // Lets the worker finish what it was handed, then moves the manual clock on and waits
    // until what fell due ran; gives whether all of it happened within the patience.
    [[nodiscard]] bool advance(std::chrono::milliseconds by) {
        return settle() && deadlines->advance(by, patience);
    }
    // Waits until the worker ran every task handed to it so far and waits for its next
    // deadline. The handler is set anew to go through the worker's queue; the status it hears
    // at once is no change, so the log leaves it out.
    [[nodiscard]] bool settle() {
        auto through = std::make_shared<std::promise<void>>();
        auto ran = through->get_future();
        engine->setStatusHandler([this, through](const SyncStatus& status) mutable {
            if (through) {
                through->set_value();
                through.reset();
                return;
            }
            statuses.add(status);
        });
        return ran.wait_for(patience) == std::future_status::ready &&
               deadlines->awaitWaiting(patience);
    }

    // Starts a signed-in engine and waits for its first pass to end.
    SyncEngine& running() {
        signedIn();
        make().start();
        EXPECT_TRUE(waitForIdle(1)) << statuses.describe();
        return *engine;
    }

    // Waits until `passes` passes began and the last of them ended.
    bool waitForIdle(int passes, std::chrono::milliseconds limit = patience) {
        return eventually(
            [&] {
                auto last = statuses.last();
                return statuses.count(SyncStatus::Kind::syncing) >= passes && last &&
                       last->kind != SyncStatus::Kind::syncing;
            },
            limit, 2ms);
    }
    // Waits until the last status published is this one.
    bool waitForStatus(const SyncStatus& status, std::chrono::milliseconds limit = patience) {
        return eventually([&] { return statuses.last() == status; }, limit, 2ms);
    }
    bool waitForOpenStreams(int open, std::chrono::milliseconds limit = patience) {
        return eventually([&] { return service.openStreams() == open; }, limit);
    }

    // The requests the service saw to this path.
    std::vector<SyncService::Request> requests(std::string_view path) {
        std::vector<SyncService::Request> out;
        for (auto& request : service.requests())
            if (request.path == path)
                out.push_back(std::move(request));
        return out;
    }
    int count(std::string_view path) { return static_cast<int>(requests(path).size()); }
    static nlohmann::json bodyOf(const SyncService::Request& request) {
        return nlohmann::json::parse(request.body, nullptr, false);
    }

    // The library's sync log, newest first, as "level: message".
    std::vector<std::string> log() {
        std::vector<std::string> out;
        for (const auto& line : store.syncLog(100))
            out.push_back(line.level + ": " + line.message);
        return out;
    }

    // A capture row as the store keeps it; "pendingPush" ones carry a whole-row pending mark.
    void addCapture(const std::string& id, const std::optional<std::string>& workspace,
                    const char* state) {
        store.db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, "
                           "workspace_id, sync_state, pending) VALUES (?, 1, 1, '', ?, ?, ?);",
                           {id, workspace, state,
                            std::string(state) == "pendingPush"
                                ? std::optional<std::string>(R"({"*":true})")
                                : std::nullopt});
    }
};

} // namespace tavro::test
