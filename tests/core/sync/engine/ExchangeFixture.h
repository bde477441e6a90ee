#pragma once

#include "StandInEngine.h"

#include "model/Uuid.h"

namespace tavro::test {

// A signed-in engine past its first pass, with helpers that make rows waiting to be pushed.
// Passes run only when the test asks.
struct ExchangeFixture : StandInEngine {
    void SetUp() override {
        timings.loop = std::chrono::hours(1);
        signedIn();
        syncNow(make()); // the account, the workspace and the cursor
        service.clearRequests();
        notifier->count = 0;
    }

    std::string newGroup(const std::string& name, std::string id = makeUUID()) {
        store.upsertGroup({.id = id, .name = name, .visibility = GroupVisibility::workspace});
        return id;
    }
    std::string newCapture(const std::string& note, std::optional<std::string> group = {},
                           std::string id = makeUUID()) {
        store.insert({.id = id, .createdAt = now(), .note = note, .groupID = group});
        return id;
    }
    std::vector<nlohmann::json> syncBodies() {
        std::vector<nlohmann::json> out;
        for (const auto& request : requests("/v1/sync"))
            out.push_back(bodyOf(request));
        return out;
    }
    nlohmann::json serverRow(const std::string& table, const std::string& id) {
        return service.inspect("state").at("tables").at(table).value(id, nlohmann::json());
    }
    std::string syncState(const std::string& table, const std::string& id) {
        auto rows = store.db().query("SELECT sync_state FROM " + table + " WHERE id = ?;", {id});
        return rows.empty() ? "gone" : rows.front().string("sync_state").value_or("");
    }
    // The sync log since the last call, newest first.
    std::vector<std::string> takeLog() {
        auto lines = log();
        store.db().execute("DELETE FROM sync_log;");
        return lines;
    }
};

} // namespace tavro::test
