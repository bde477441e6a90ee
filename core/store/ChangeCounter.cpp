#include "store/ChangeCounter.h"

#include "store/Database.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::ChangeCounter {

namespace {

struct Watched {
    std::string_view table;
    // A condition on the changed row (NEW or OLD in the statement), or empty for every row.
    std::string_view when;
};

// sync_meta also carries the sync engine's own cursors and times, which the board never shows.
constexpr std::string_view shownMeta = "key IN ('user_id', 'user_name', 'default_workspace_id')";

constexpr Watched watched[] = {
    {"captures", ""},       {"capture_images", ""}, {"groups", ""},   {"group_members", ""},
    {"tags", ""},           {"capture_tags", ""},   {"comments", ""}, {"activity", ""},
    {"people", ""},         {"workspaces", ""},     {"sync_meta", shownMeta},
};

struct Event {
    std::string_view name;
    std::string_view row;
};

constexpr Event events[] = {{"insert", "NEW"}, {"update", "NEW"}, {"delete", "OLD"}};

std::string triggerName(const Watched& table, const Event& event) {
    return "store_changes_" + std::string(table.table) + "_" + std::string(event.name);
}

std::string condition(const Watched& table, const Event& event) {
    if (table.when.empty())
        return "";
    std::string out = " WHEN " + std::string(event.row) + "." + std::string(table.when);
    // An update that moves a row out of the shown keys changes what the board shows too.
    if (event.name == "update")
        out += " OR OLD." + std::string(table.when);
    return out;
}

std::vector<std::string> expectedNames() {
    std::vector<std::string> names;
    for (const auto& table : watched)
        for (const auto& event : events)
            names.push_back(triggerName(table, event));
    return names;
}

bool installed(Database& db, const std::vector<std::string>& names) {
    if (db.query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'store_changes';")
            .empty())
        return false;
    auto rows = db.query("SELECT name FROM sqlite_master WHERE type = 'trigger' AND name LIKE "
                         "'store\\_changes\\_%' ESCAPE '\\' ORDER BY name;");
    std::vector<std::string> present;
    for (const auto& row : rows)
        present.push_back(row.string("name").value_or(""));
    auto wanted = names;
    std::sort(wanted.begin(), wanted.end());
    if (present != wanted)
        return false;
    return !db.query("SELECT 1 FROM store_changes WHERE id = 1;").empty();
}

} // namespace

void install(Database& db) {
    const auto names = expectedNames();
    if (installed(db, names))
        return;
    db.transaction([&] {
        if (installed(db, names))
            return;
        db.executeRaw("CREATE TABLE IF NOT EXISTS store_changes ("
                      "id INTEGER PRIMARY KEY CHECK (id = 1), counter INTEGER NOT NULL);"
                      "INSERT OR IGNORE INTO store_changes (id, counter) VALUES (1, 0);");
        std::string sql;
        for (const auto& row : db.query("SELECT name FROM sqlite_master WHERE type = 'trigger' "
                                        "AND name LIKE 'store\\_changes\\_%' ESCAPE '\\';"))
            sql += "DROP TRIGGER IF EXISTS \"" + row.string("name").value_or("") + "\";";
        for (const auto& table : watched)
            for (const auto& event : events)
                sql += "CREATE TRIGGER " + triggerName(table, event) + " AFTER " +
                       std::string(event.name) + " ON " + std::string(table.table) +
                       condition(table, event) +
                       " BEGIN UPDATE store_changes SET counter = counter + 1 WHERE id = 1; END;";
        db.executeRaw(sql);
    });
}

std::int64_t read(Database& db) {
    auto rows = db.query("SELECT counter FROM store_changes WHERE id = 1;");
    return rows.empty() ? 0 : rows.front().intValue("counter").value_or(0);
}

} // namespace tavro::ChangeCounter
