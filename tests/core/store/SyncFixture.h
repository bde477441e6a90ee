#pragma once

#include "BoardFixture.h"
#include "ledger/SyncLedger.h"

#include <set>

namespace tavro::test {

// The board fixture plus what sync tests arrange: rows in a given sync state, server rows as
// JSON, and the sync log.
struct SyncFixture : BoardFixture {
    static constexpr const char* workspace = "w1";

    SyncLedger ledger{store};

    void addGroup(const std::string& id, const std::string& name,
                  const std::optional<std::string>& workspaceID = workspace,
                  const char* state = "synced", const std::optional<std::string>& mark = {}) {
        store.db().execute("INSERT INTO groups (id, name, created_at, updated_at, workspace_id, "
                           "sync_state, pending) VALUES (?, ?, 1, 1, ?, ?, ?);",
                           {id, name, workspaceID, state, mark});
    }

    // Puts a row of captures, groups or capture_images into a sync state with a mark.
    void setState(const std::string& table, const std::string& id, const char* state,
                  const std::optional<std::string>& mark = {}) {
        store.db().execute("UPDATE " + table + " SET sync_state = ?, pending = ? WHERE id = ?;",
                           {state, mark, id});
    }

    std::optional<std::string> text(const std::string& table, const std::string& id,
                                    const std::string& column) {
        return row(table, id).string(column);
    }

    std::int64_t count(const std::string& sqlFrom, const std::vector<SQLValue>& args = {}) {
        return store.db()
            .query("SELECT COUNT(*) AS n " + sqlFrom + ";", args)
            .front()
            .intValue("n")
            .value_or(-1);
    }

    std::vector<std::string> logMessages() {
        std::vector<std::string> out;
        for (const auto& line : store.syncLog(1000))
            out.push_back(line.message);
        return out;
    }

    static std::set<std::string> keys(const nlohmann::json& object) {
        std::set<std::string> out;
        for (auto it = object.begin(); it != object.end(); ++it)
            out.insert(it.key());
        return out;
    }

    SyncLedger::Pending listed(const std::string& table, const std::string& id) {
        for (auto& pending : ledger.pending(table, 1000))
            if (pending.id == id)
                return pending;
        ADD_FAILURE() << id << " is not pending in " << table;
        return {};
    }
};

} // namespace tavro::test
