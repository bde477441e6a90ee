#include "ProbeNotes.h"
#include "ProcessRunner.h"
#include "SyncFixture.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace tavro;
using namespace tavro::test;
using nlohmann::json;

namespace {

constexpr int rounds = 120;

// What the web service holds of one capture: the fields the agent edits, and a version.
struct ServerCopy {
    std::string id;
    json fields = {{"note", ""}, {"status", "open"}, {"priority", "normal"}};
    std::int64_t version = 0;

    void accept(const std::optional<json>& record) {
        if (record && record->contains("patch"))
            for (const auto& [key, value] : (*record)["patch"].items())
                if (fields.contains(key))
                    fields[key] = value;
        ++version;
    }

    json row() const {
        json out = fields;
        out["id"] = id;
        out["workspace_id"] = "w1";
        out["version"] = version;
        return out;
    }
};

} // namespace

using SyncConcurrencyTest = SyncFixture;

// The agent server edits a shared capture while this program pushes it and pulls the server's
// copy back, pass after pass, as the sync engine does. An edit that lands while a push is in
// flight, or between a pulled row's read and its write, must neither be marked as pushed nor be
// overwritten by the server's older value.
TEST_F(SyncConcurrencyTest, PushAndPullWhileTheAgentEditsLoseNoEdit) {
    Capture capture;
    capture.id = "shared";
    capture.createdAt = capture.updatedAt = 1000;
    capture.workspaceID = workspace;
    store.insert(capture);

    ProcessRunner agent({TAVRO_STORE_PROBE, "status-priority", library.database().string(),
                         "shared", std::to_string(rounds), "B"});
    agent.start();
    std::atomic<bool> finished{false};
    ProcessResult result;
    std::thread waiter([&] {
        result = agent.wait();
        finished = true;
    });

    ServerCopy server{"shared"};
    auto pass = [&] {
        for (const auto& pending : ledger.pending("captures", 200)) {
            auto record = ledger.captureChange(pending);
            server.accept(record);
            ledger.markSynced("captures", pending, server.version, record);
        }
        ledger.applyRemoteCapture(server.row());
    };
    int passes = 0;
    while (!finished) {
        pass();
        ++passes;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    waiter.join();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    pass();
    pass();

    std::multiset<std::string> expected;
    for (int i = 0; i < rounds; ++i)
        expected.insert("B" + std::to_string(i));
    auto local = *store.rawCapture("shared");
    EXPECT_EQ(test::noteTokens(local.note), expected);
    EXPECT_EQ(server.fields["note"], local.note);
    EXPECT_EQ(server.fields["priority"], rawValue(local.priority));
    EXPECT_EQ(server.fields["status"], rawValue(local.status));
    EXPECT_EQ(local.syncState, SyncState::synced);
    EXPECT_GT(passes, 1);
}
