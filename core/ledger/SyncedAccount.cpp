#include "ledger/SyncLedger.h"

#include "model/Text.h"
#include "store/Database.h"

namespace tavro {

SyncLedger::SyncLedger(CaptureStore& store)
    : store_(store)
    , db_(&store.db()) {}

void SyncLedger::upsertPerson(const Person& person) {
    db_->execute("INSERT INTO people (id, name, email, image_url, kind, updated_at) "
                 "VALUES (?,?,?,?,?,?) ON CONFLICT(id) DO UPDATE SET name = excluded.name, "
                 "email = COALESCE(excluded.email, people.email), image_url = excluded.image_url, "
                 "kind = excluded.kind, updated_at = excluded.updated_at;",
                 {person.id, text::singleLine(person.name), person.email, person.imageURL,
                  person.kind, now()});
}

void SyncLedger::replaceWorkspaces(const std::vector<Workspace>& workspaces) {
    db_->transaction([&] {
        db_->execute("DELETE FROM workspaces;");
        const Seconds time = now();
        for (const auto& workspace : workspaces)
            db_->execute("INSERT INTO workspaces (id, name, slug, role, settings_json, "
                         "updated_at) VALUES (?,?,?,?,?,?);",
                         {workspace.id, text::singleLine(workspace.name), workspace.slug,
                          workspace.role, workspace.settingsJSON, time});
    });
}

std::vector<std::string> SyncLedger::groupMemberIDs(std::string_view groupID) const {
    std::vector<std::string> out;
    for (const auto& row : db_->query("SELECT user_id FROM group_members WHERE group_id = ? AND "
                                      "removed_at IS NULL;",
                                      {groupID}))
        if (auto id = row.string("user_id"))
            out.push_back(*id);
    return out;
}

std::vector<std::string> SyncLedger::syncedCaptureIDs() const {
    std::vector<std::string> out;
    for (const auto& row : db_->query("SELECT id FROM captures WHERE workspace_id IS NOT NULL AND "
                                      "sync_state = 'synced' AND deleted_at IS NULL;"))
        if (auto id = row.string("id"))
            out.push_back(*id);
    return out;
}

bool SyncLedger::log(std::string_view level, std::string_view message,
                     std::optional<Seconds> at) noexcept {
    try {
        db_->execute("INSERT INTO sync_log (at, level, message) VALUES (?,?,?);",
                     {at.value_or(now()), level, message});
    } catch (...) {
        // The log is best effort. What kept the line out (most often another program's lock)
        // would keep the trim out as well, after another wait.
        return false;
    }
    try {
        db_->execute("DELETE FROM sync_log WHERE id < (SELECT COALESCE(MAX(id), 0) - 500 FROM "
                     "sync_log);");
    } catch (...) {
        // Trimming fails only with the database itself; the next line written trims again.
    }
    return true;
}

} // namespace tavro
