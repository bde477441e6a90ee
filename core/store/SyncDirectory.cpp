#include "store/CaptureStore.h"

#include "model/Text.h"

#include <algorithm>

namespace tavro {

Person CaptureStore::decodePerson(const Row& row) {
    return {row.string("id").value_or(""), row.string("name").value_or("Someone"),
            row.string("email"), row.string("image_url"), row.string("kind").value_or("person")};
}

Workspace CaptureStore::decodeWorkspace(const Row& row) {
    return {row.string("id").value_or(""), row.string("name").value_or(""),
            row.string("slug").value_or(""), row.string("role").value_or("member"),
            row.string("settings_json")};
}

void CaptureStore::upsertPerson(const Person& person) {
    db_->execute("INSERT INTO people (id, name, email, image_url, kind, updated_at) "
                 "VALUES (?,?,?,?,?,?) ON CONFLICT(id) DO UPDATE SET name = excluded.name, "
                 "email = COALESCE(excluded.email, people.email), image_url = excluded.image_url, "
                 "kind = excluded.kind, updated_at = excluded.updated_at;",
                 {person.id, text::singleLine(person.name), person.email, person.imageURL,
                  person.kind, now()});
}

void CaptureStore::replaceWorkspaces(const std::vector<Workspace>& workspaces) {
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

std::vector<Person> CaptureStore::people() const {
    std::vector<Person> out;
    for (const auto& row : db_->query("SELECT * FROM people ORDER BY kind, name COLLATE NOCASE;"))
        out.push_back(decodePerson(row));
    return out;
}

std::optional<Person> CaptureStore::person(std::string_view id) const {
    auto rows = db_->query("SELECT * FROM people WHERE id = ?;", {id});
    if (rows.empty())
        return std::nullopt;
    return decodePerson(rows.front());
}

std::optional<std::string> CaptureStore::personName(std::string_view id) const {
    auto rows = db_->query("SELECT name FROM people WHERE id = ?;", {id});
    if (rows.empty())
        return std::nullopt;
    return rows.front().string("name");
}

std::vector<Person> CaptureStore::assignableCandidates() const {
    auto candidates = people();
    const text::CaseInsensitiveOrder order;
    std::stable_sort(candidates.begin(), candidates.end(), [&](const Person& a, const Person& b) {
        if (a.isBot() != b.isBot())
            return !a.isBot();
        return order.compare(a.name, b.name) < 0;
    });
    return candidates;
}

std::vector<Workspace> CaptureStore::workspaces() const {
    std::vector<Workspace> out;
    for (const auto& row : db_->query("SELECT * FROM workspaces ORDER BY name COLLATE NOCASE;"))
        out.push_back(decodeWorkspace(row));
    return out;
}

std::vector<std::string> CaptureStore::groupMemberIDs(std::string_view groupID) const {
    std::vector<std::string> out;
    for (const auto& row : db_->query("SELECT user_id FROM group_members WHERE group_id = ? AND "
                                      "removed_at IS NULL;",
                                      {groupID}))
        if (auto id = row.string("user_id"))
            out.push_back(*id);
    return out;
}

std::vector<std::string> CaptureStore::syncedCaptureIDs() const {
    std::vector<std::string> out;
    for (const auto& row : db_->query("SELECT id FROM captures WHERE workspace_id IS NOT NULL AND "
                                      "sync_state = 'synced' AND deleted_at IS NULL;"))
        if (auto id = row.string("id"))
            out.push_back(*id);
    return out;
}

bool CaptureStore::log(std::string_view level, std::string_view message,
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

std::vector<CaptureStore::SyncLogLine> CaptureStore::syncLog(std::int64_t limit) const {
    std::vector<SyncLogLine> out;
    for (const auto& row : db_->query("SELECT * FROM sync_log ORDER BY id DESC LIMIT ?;", {limit}))
        out.push_back({row.intValue("id").value_or(0), row.date("at").value_or(now()),
                       row.string("level").value_or("info"), row.string("message").value_or("")});
    return out;
}

} // namespace tavro
