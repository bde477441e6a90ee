#include "store/CaptureStore.h"

#include <array>
#include <nlohmann/json.hpp>

namespace tavro {

namespace {

struct SharedRowCondition {
    std::string_view table;
    std::string_view condition;
};

// The only texts ever spliced into the marking statement.
constexpr std::array<SharedRowCondition, 3> sharedRowConditions{{
    {"captures", "workspace_id IS NOT NULL AND local_only = 0"},
    {"groups", "workspace_id IS NOT NULL"},
    {"capture_images", "EXISTS (SELECT 1 FROM captures c WHERE c.id = capture_images.capture_id "
                       "AND c.workspace_id IS NOT NULL AND c.local_only = 0)"},
}};

} // namespace

void CaptureStore::markPending(std::string_view table, std::string_view id,
                               const std::vector<std::string>& fields) {
    const SharedRowCondition* shared = nullptr;
    for (const auto& entry : sharedRowConditions)
        if (entry.table == table)
            shared = &entry;
    if (!shared)
        return;
    nlohmann::json patch = nlohmann::json::object();
    for (const auto& field : fields)
        patch[field] = true;
    const std::string condition(shared->condition);
    // A stored mark that is not a JSON object (damaged by hand or by another release) is merged
    // as if empty, so it cannot make every later write of the row fail.
    const std::string sql =
        "UPDATE " + std::string(shared->table) + " SET pending = CASE WHEN " + condition +
        " THEN json_patch(CASE WHEN json_valid(pending) AND json_type(pending) = 'object' "
        "THEN pending ELSE '{}' END, ?) ELSE pending END, sync_state = CASE WHEN " +
        condition + " THEN 'pendingPush' ELSE sync_state END WHERE id = ?;";
    db_->execute(sql, {patch.dump(), id});
}

void CaptureStore::recordActivity(const std::optional<std::string>& captureID,
                                  std::string_view kind, std::string_view detail,
                                  std::string_view actor, std::string_view id, Seconds createdAt,
                                  const std::optional<std::string>& actorID, bool remote) {
    std::optional<std::string> storedActor = actorID;
    if (!storedActor && !remote)
        storedActor = currentUserID();
    db_->execute(
        "INSERT OR IGNORE INTO activity (id, capture_id, kind, detail, actor, created_at, "
        "actor_id, remote) VALUES (?,?,?,?,?,?,?,?);",
        {id, captureID, kind, detail, actor, createdAt, storedActor, SQLValue::flag(remote)});
}

} // namespace tavro
