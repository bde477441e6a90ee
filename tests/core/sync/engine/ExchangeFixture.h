#pragma once

#include "EngineFixture.h"
#include "SyncService.h"

#include "model/Uuid.h"

namespace tavro::test {

// The real engine and transport against the loopback stand-in of the service, signed in and
// past its first pass, with helpers that make rows waiting to be pushed.
struct ExchangeFixture : ::testing::Test {
    SyncService service;
    TempLibrary library;
    std::shared_ptr<MemorySecrets> secrets = std::make_shared<MemorySecrets>();
    std::shared_ptr<CountingNotifier> notifier = std::make_shared<CountingNotifier>();
    CaptureStore store{library.database(), std::make_shared<NullStoreChangeNotifier>()};
    StatusLog statuses;
    std::unique_ptr<SyncEngine> engine;

    void SetUp() override {
        secrets->write(service.issueToken(), SecretStore::sessionAccount);
        engine = std::make_unique<SyncEngine>(
            SyncEngineConfig{.database = library.database(),
                             .baseURL = service.baseURL(),
                             .secrets = secrets,
                             .transport = makeCurlTransport(),
                             .notifier = notifier,
                             .timings = {.loop = std::chrono::hours(1)}});
        engine->onStatus([this](const SyncStatus& status) { statuses.add(status); });
        engine->syncNow(); // the account, the workspace and the cursor
        service.clearRequests();
        notifier->count = 0;
    }
    void TearDown() override { engine.reset(); }

    std::string addGroup(const std::string& name, std::string id = makeUUID()) {
        store.upsertGroup({.id = id, .name = name, .visibility = GroupVisibility::workspace});
        return id;
    }
    std::string addCapture(const std::string& note, std::optional<std::string> group = {},
                           std::string id = makeUUID()) {
        store.insert({.id = id, .createdAt = now(), .note = note, .groupID = group});
        return id;
    }
    std::vector<nlohmann::json> syncBodies() {
        std::vector<nlohmann::json> out;
        for (const auto& request : service.requests())
            if (request.path == "/v1/sync")
                out.push_back(nlohmann::json::parse(request.body));
        return out;
    }
    nlohmann::json serverRow(const std::string& table, const std::string& id) {
        return service.inspect("state").at("tables").at(table).value(id, nlohmann::json());
    }
    std::string syncState(const std::string& table, const std::string& id) {
        auto rows = store.db().query("SELECT sync_state FROM " + table + " WHERE id = ?;", {id});
        return rows.empty() ? "gone" : rows.front().string("sync_state").value_or("");
    }
    std::vector<std::string> log() {
        std::vector<std::string> out;
        for (const auto& line : store.syncLog(100))
            out.push_back(line.level + ": " + line.message);
        store.db().execute("DELETE FROM sync_log;");
        return out;
    }
};

} // namespace tavro::test
