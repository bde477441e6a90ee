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
    // The row's column naming the capture it belongs to, or empty when it belongs to none.
    std::string_view capture;
};

// sync_meta also carries the sync engine's own cursors and times, which the board never shows.
constexpr std::string_view shownMeta = "key IN ('user_id', 'user_name', 'default_workspace_id')";

constexpr Watched watched[] = {
    {"captures", "", "id"},
    {"capture_images", "", "capture_id"},
    {"groups", "", ""},
    {"group_members", "", ""},
    {"tags", "", ""},
    {"capture_tags", "", "capture_id"},
    {"comments", "", "capture_id"},
    {"activity", "", "capture_id"},
    {"people", "", ""},
    {"workspaces", "", ""},
    {"sync_meta", shownMeta, ""},
};

// Entries older than this many changes go; a reader further behind reads everything again.
constexpr std::int64_t keptEntries = 4096;

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

// Bumps the counter and logs the change under the counter's new value, dropping entries that
// have fallen out of the window, all inside the writer's statement.
std::string body(const Watched& table, const Event& event) {
    const std::string row(event.row);
    std::string capture = "NULL";
    std::string previous = "NULL";
    if (!table.capture.empty()) {
        capture = row + "." + std::string(table.capture);
        if (event.name == "update")
            previous = "OLD." + std::string(table.capture);
    }
    return " BEGIN UPDATE store_changes SET counter = counter + 1 WHERE id = 1;"
           " INSERT INTO store_change_log (counter, source, event, capture_id, previous_id)"
           " SELECT counter, '" +
           std::string(table.table) + "', '" + std::string(event.name) + "', " + capture + ", " +
           previous +
           " FROM store_changes WHERE id = 1;"
           " DELETE FROM store_change_log WHERE counter <= (SELECT counter FROM store_changes "
           "WHERE id = 1) - " +
           std::to_string(keptEntries) + "; END;";
}

std::vector<std::string> expectedNames() {
    std::vector<std::string> names;
    for (const auto& table : watched)
        for (const auto& event : events)
            names.push_back(triggerName(table, event));
    return names;
}

bool installed(Database& db, const std::vector<std::string>& names) {
    if (db.query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name IN ('store_changes', "
                 "'store_change_log');")
            .size() != 2)
        return false;
    auto rows = db.query("SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND name LIKE "
                         "'store\\_changes\\_%' ESCAPE '\\' ORDER BY name;");
    std::vector<std::string> present;
    for (const auto& row : rows) {
        // A set of the same names that an older program put back counts but logs nothing.
        if (row.string("sql").value_or("").find("store_change_log") == std::string::npos)
            return false;
        present.push_back(row.string("name").value_or(""));
    }
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
                      "INSERT OR IGNORE INTO store_changes (id, counter) VALUES (1, 0);"
                      "CREATE TABLE IF NOT EXISTS store_change_log (counter INTEGER PRIMARY KEY, "
                      "source TEXT NOT NULL, event TEXT NOT NULL, capture_id TEXT, "
                      "previous_id TEXT);");
        std::string sql;
        for (const auto& row : db.query("SELECT name FROM sqlite_master WHERE type = 'trigger' "
                                        "AND name LIKE 'store\\_changes\\_%' ESCAPE '\\';"))
            sql += "DROP TRIGGER IF EXISTS \"" + row.string("name").value_or("") + "\";";
        for (const auto& table : watched)
            for (const auto& event : events)
                sql += "CREATE TRIGGER " + triggerName(table, event) + " AFTER " +
                       std::string(event.name) + " ON " + std::string(table.table) +
                       condition(table, event) + body(table, event);
        db.executeRaw(sql);
    });
}

std::int64_t read(Database& db) {
    auto rows = db.query("SELECT counter FROM store_changes WHERE id = 1;");
    return rows.empty() ? 0 : rows.front().intValue("counter").value_or(0);
}

std::optional<Changes> since(Database& db, std::int64_t counter) {
    Changes changes;
    changes.counter = read(db);
    if (changes.counter < counter)
        return std::nullopt;
    if (changes.counter == counter)
        return changes;
    if (changes.counter - counter > keptEntries)
        return std::nullopt;
    const auto rows =
        db.query("SELECT counter, source, event, capture_id, previous_id FROM "
                 "store_change_log WHERE counter > ? AND counter <= ? ORDER BY counter;",
                 {counter, changes.counter});
    // A change logged by no trigger of ours (an older program's set, a trimmed entry) leaves a
    // gap that nothing here can place.
    if (std::int64_t(rows.size()) != changes.counter - counter)
        return std::nullopt;
    for (const auto& row : rows) {
        const std::string source = row.string("source").value_or("");
        const std::string event = row.string("event").value_or("");
        if (source == "tags") {
            // A new name belongs to no capture until a capture_tags row (logged too) uses it; a
            // renamed or removed one changes every capture that carries it.
            if (event != "insert")
                return std::nullopt;
            continue;
        }
        auto capture = row.string("capture_id");
        auto previous = row.string("previous_id");
        if (capture)
            changes.captureIDs.insert(std::move(*capture));
        if (previous)
            changes.captureIDs.insert(std::move(*previous));
        if (source != "captures" && source != "capture_images" && source != "capture_tags" &&
            source != "comments" && source != "activity")
            changes.others = true;
    }
    return changes;
}

} // namespace tavro::ChangeCounter
