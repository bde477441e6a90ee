#pragma once

#include "sync/SyncEngine.h"

#include "CountingNotifier.h"
#include "FakeService.h"
#include "MemorySecrets.h"
#include "TempLibrary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

namespace tavro::test {

using namespace std::chrono_literals;

// Every status the engine published, in order.
class StatusLog {
public:
    void add(const SyncStatus& status) {
        std::lock_guard lock(mutex_);
        statuses_.push_back(status);
    }
    void clear() {
        std::lock_guard lock(mutex_);
        statuses_.clear();
    }
    std::vector<SyncStatus> all() const {
        std::lock_guard lock(mutex_);
        return statuses_;
    }
    int count(SyncStatus::Kind kind) const {
        int n = 0;
        for (const auto& status : all())
            n += status.kind == kind;
        return n;
    }
    std::optional<SyncStatus> last() const {
        auto statuses = all();
        return statuses.empty() ? std::nullopt : std::optional(statuses.back());
    }

private:
    mutable std::mutex mutex_;
    std::vector<SyncStatus> statuses_;
};

// An engine over a throw-away library and the in-process service, with every delay in
// milliseconds and a wall clock the test moves. The test keeps its own connection to the
// library, as the app does.
struct EngineFixture : ::testing::Test {
    TempLibrary library;
    std::shared_ptr<FakeService> service = std::make_shared<FakeService>();
    std::shared_ptr<MemorySecrets> secrets = std::make_shared<MemorySecrets>();
    std::shared_ptr<CountingNotifier> notifier = std::make_shared<CountingNotifier>();
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
    std::unique_ptr<SyncEngine> engine;

    void signedIn() {
        secrets->write(FakeService::goodToken, SecretStore::sessionAccount);
        service->renewSession();
    }

    SyncEngine& make() {
        engine = std::make_unique<SyncEngine>(SyncEngineConfig{.database = library.database(),
                                                               .baseURL = FakeService::baseURL,
                                                               .deviceName = "desk",
                                                               .appVersion = "1.2.3",
                                                               .secrets = secrets,
                                                               .transport = service,
                                                               .notifier = notifier,
                                                               .timings = timings});
        engine->onStatus([this](const SyncStatus& status) { statuses.add(status); });
        return *engine;
    }

    // Starts a signed-in engine and waits for its first pass to end.
    SyncEngine& running() {
        signedIn();
        make().start();
        EXPECT_TRUE(waitForIdle(1));
        return *engine;
    }

    bool waitForIdle(int passes, std::chrono::milliseconds limit = 5s) {
        return service->waitFor(
            [&] {
                auto last = statuses.last();
                return statuses.count(SyncStatus::Kind::syncing) >= passes && last &&
                       last->kind != SyncStatus::Kind::syncing;
            },
            limit);
    }

    std::vector<std::string> log() {
        std::vector<std::string> out;
        for (const auto& line : store.syncLog(100))
            out.push_back(line.level + ": " + line.message);
        return out;
    }

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
