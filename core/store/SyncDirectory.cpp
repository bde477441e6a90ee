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

std::vector<CaptureStore::SyncLogLine> CaptureStore::syncLog(std::int64_t limit) const {
    std::vector<SyncLogLine> out;
    for (const auto& row : db_->query("SELECT * FROM sync_log ORDER BY id DESC LIMIT ?;", {limit}))
        out.push_back({row.intValue("id").value_or(0), row.date("at").value_or(now()),
                       row.string("level").value_or("info"), row.string("message").value_or("")});
    return out;
}

} // namespace tavro
