#include "store/CaptureStore.h"

#include "model/Text.h"
#include "model/Uuid.h"

#include <limits>

namespace tavro {

namespace {

std::vector<Capture> decodeCaptures(const std::vector<Row>& rows) {
    std::vector<Capture> captures;
    captures.reserve(rows.size());
    for (const auto& row : rows)
        captures.push_back(CaptureStore::decodeCapture(row));
    return captures;
}

constexpr std::size_t maxReferencePrefix = 256;

// A LIKE pattern that matches every text beginning with `prefix`, taken literally.
std::string literalPrefixPattern(std::string_view prefix) {
    std::string pattern;
    pattern.reserve(prefix.size() + 1);
    for (char c : prefix) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    pattern += '%';
    return pattern;
}

std::unordered_map<std::string, std::int64_t>
countsByCapture(Database& db, std::string_view sql, const std::vector<SQLValue>& values = {}) {
    const auto rows = db.query(sql, values);
    std::unordered_map<std::string, std::int64_t> counts;
    counts.reserve(rows.size());
    for (const auto& row : rows)
        if (auto id = row.string("capture_id"))
            counts.emplace(std::move(*id), row.intValue("n").value_or(0));
    return counts;
}

std::vector<std::string> names(const std::vector<Row>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows)
        if (auto name = row.string("name"))
            out.push_back(std::move(*name));
    return out;
}

// Conditions and their bound values, gathered in the order of the question marks.
struct Filter {
    std::vector<std::string> conditions{"c.deleted_at IS NULL"};
    std::vector<SQLValue> values;

    void add(std::string condition, std::vector<SQLValue> bound) {
        conditions.push_back(std::move(condition));
        for (auto& value : bound)
            values.push_back(std::move(value));
    }
};

Filter filterOf(const CaptureQuery& query) {
    Filter filter;
    if (query.tag && !query.tag->empty())
        // EXISTS rather than a join: a capture with several matching tags is listed once.
        filter.add("EXISTS (SELECT 1 FROM capture_tags ct JOIN tags t ON t.id = ct.tag_id "
                   "WHERE ct.capture_id = c.id AND LOWER(t.name) = LOWER(?))",
                   {*query.tag});
    if (query.statuses && !query.statuses->empty()) {
        std::string marks;
        std::vector<SQLValue> values;
        for (auto status : *query.statuses) {
            marks += marks.empty() ? "?" : ",?";
            values.emplace_back(rawValue(status));
        }
        // The unary plus keeps SQLite from choosing the status index, reading every match and
        // sorting them all for a page: without statistics it would, where the board's index
        // hands the page over in order, its status beside it.
        filter.add("+c.status IN (" + marks + ")", std::move(values));
    }
    if (query.groupID)
        filter.add("c.group_id = ?", {*query.groupID});
    if (query.groupName && !query.groupName->empty())
        filter.add("c.group_id IN (SELECT id FROM groups WHERE LOWER(name) = LOWER(?) AND "
                   "deleted_at IS NULL)",
                   {*query.groupName});
    if (query.priority)
        filter.add("c.priority = ?", {rawValue(*query.priority)});
    if (query.workspaceID)
        filter.add("c.workspace_id = ?", {*query.workspaceID});
    if (query.assigneeID)
        filter.add("c.assignee_id = ?", {*query.assigneeID});
    if (query.authorID)
        // Captures without an author count as everybody's.
        filter.add("(c.author_id = ? OR c.author_id IS NULL)", {*query.authorID});
    if (query.search && !text::isBlank(*query.search, text::Whitespace::Horizontal)) {
        const std::string pattern = "%" + *query.search + "%";
        filter.add("(c.note LIKE ? OR c.app_name LIKE ? OR c.window_title LIKE ? OR c.url LIKE ?)",
                   {pattern, pattern, pattern, pattern});
    }
    return filter;
}

// Hands `each` the ids as " IN (?,...)" with their values, in batches well under SQLite's limit
// on parameters.
void forEachBatch(
    const std::vector<std::string>& ids,
    const std::function<void(const std::string& in, const std::vector<SQLValue>& values)>& each) {
    constexpr std::size_t batch = 500;
    std::vector<SQLValue> values;
    std::string marks;
    for (size_t i = 0; i < ids.size(); ++i) {
        marks += marks.empty() ? "?" : ",?";
        values.emplace_back(ids[i]);
        if (values.size() == batch || i + 1 == ids.size()) {
            each(" IN (" + marks + ")", values);
            values.clear();
            marks.clear();
        }
    }
}

// The tags, comment counts and screenshot counts of a batch of captures.
void readBeside(Database& db, const std::string& in, const std::vector<SQLValue>& values,
                CaptureStore::BoardRows& rows) {
    for (auto& row : db.query("SELECT ct.capture_id, t.name FROM capture_tags ct JOIN tags t "
                              "ON t.id = ct.tag_id WHERE ct.capture_id" +
                                  in + " ORDER BY ct.capture_id, t.name COLLATE NOCASE, t.name;",
                              values)) {
        auto captureID = row.string("capture_id");
        auto name = row.string("name");
        if (captureID && name)
            rows.tags[*captureID].push_back(std::move(*name));
    }
    rows.comments.merge(
        countsByCapture(db,
                        "SELECT capture_id, COUNT(*) AS n FROM comments WHERE capture_id" + in +
                            " GROUP BY capture_id;",
                        values));
    rows.images.merge(countsByCapture(db,
                                      "SELECT capture_id, COUNT(*) AS n FROM capture_images WHERE "
                                      "deleted_at IS NULL AND capture_id" +
                                          in + " GROUP BY capture_id;",
                                      values));
}

} // namespace

std::optional<std::string> CaptureStore::resolveCaptureID(std::string_view reference) const {
    const std::string wanted = text::trimmed(reference);
    // Bound text ends at a NUL, so "abc\0x" would otherwise find the capture "abc".
    if (wanted.empty() || wanted.find('\0') != std::string::npos)
        return std::nullopt;
    if (capture(wanted))
        return wanted;
    // No id is anywhere near this long, and SQLite refuses very long LIKE patterns outright.
    if (wanted.size() > maxReferencePrefix)
        return std::nullopt;
    // The inner scan reads only the id index, not the whole rows.
    auto rows = db_->query("SELECT id FROM captures WHERE id IN (SELECT id FROM captures WHERE id "
                           "LIKE ? ESCAPE '\\') AND deleted_at IS NULL LIMIT 2;",
                           {literalPrefixPattern(wanted)});
    if (rows.size() != 1)
        return std::nullopt;
    return rows.front().string("id");
}

std::vector<Capture> CaptureStore::captures(const CaptureQuery& query) const {
    Filter filter = filterOf(query);
    std::string order = " ORDER BY CASE c.priority WHEN 'high' THEN 0 WHEN 'normal' THEN 1 ELSE 2 "
                        "END, c.created_at ";
    order += query.newestFirst ? "DESC" : "ASC";
    // The page is chosen by sorting row ids alone; only its own rows are then read whole.
    std::string sql = "SELECT c.* FROM captures c WHERE c.rowid IN (SELECT c.rowid FROM captures "
                      "c WHERE ";
    for (size_t i = 0; i < filter.conditions.size(); ++i)
        sql += (i ? " AND " : "") + filter.conditions[i];
    sql += order + " LIMIT ? OFFSET ?)" + order + ";";
    filter.values.emplace_back(query.limit);
    filter.values.emplace_back(query.offset);
    return decodeCaptures(db_->query(sql, filter.values));
}

std::vector<Capture> CaptureStore::localCaptures() const {
    return decodeCaptures(db_->query("SELECT * FROM captures WHERE workspace_id IS NULL AND "
                                     "deleted_at IS NULL ORDER BY created_at DESC;"));
}

std::map<CaptureStatus, std::int64_t> CaptureStore::countsByStatus() const {
    std::map<CaptureStatus, std::int64_t> counts;
    for (const auto& row : db_->query("SELECT status, COUNT(*) AS n FROM captures WHERE "
                                      "deleted_at IS NULL GROUP BY status;"))
        if (auto text = row.string("status"))
            if (auto status = fromRawValue<CaptureStatus>(*text))
                counts[*status] = row.intValue("n").value_or(0);
    return counts;
}

std::int64_t CaptureStore::countCaptures(const CaptureQuery& query) const {
    const Filter filter = filterOf(query);
    std::string sql = "SELECT COUNT(*) AS n FROM captures c WHERE ";
    for (size_t i = 0; i < filter.conditions.size(); ++i)
        sql += (i ? " AND " : "") + filter.conditions[i];
    const auto rows = db_->query(sql + ";", filter.values);
    return rows.empty() ? 0 : rows.front().intValue("n").value_or(0);
}

std::vector<std::string> CaptureStore::newestCaptureIDs(std::int64_t count) const {
    std::vector<std::string> ids;
    for (auto& row : db_->query("SELECT id FROM captures WHERE deleted_at IS NULL ORDER BY "
                                "created_at DESC, id LIMIT ?;",
                                {count}))
        if (auto id = row.string("id"))
            ids.push_back(std::move(*id));
    return ids;
}

std::unordered_map<std::string, std::int64_t> CaptureStore::imageCounts() const {
    // Deleted screenshots that wait to be pushed keep their rows; they are not shown.
    return countsByCapture(*db_, "SELECT capture_id, COUNT(*) AS n FROM capture_images WHERE "
                                 "deleted_at IS NULL GROUP BY capture_id;");
}

std::unordered_map<std::string, std::int64_t> CaptureStore::commentCounts() const {
    return countsByCapture(*db_,
                           "SELECT capture_id, COUNT(*) AS n FROM comments GROUP BY capture_id;");
}

std::vector<std::string> CaptureStore::tags(std::string_view captureID) const {
    return names(db_->query("SELECT t.name FROM tags t JOIN capture_tags ct ON ct.tag_id = t.id "
                            "WHERE ct.capture_id = ? ORDER BY t.name COLLATE NOCASE;",
                            {captureID}));
}

std::unordered_map<std::string, std::vector<std::string>> CaptureStore::tagsByCapture() const {
    std::unordered_map<std::string, std::vector<std::string>> out;
    for (auto& row : db_->query("SELECT ct.capture_id, t.name FROM tags t JOIN capture_tags ct ON "
                                "ct.tag_id = t.id JOIN captures c ON c.id = ct.capture_id AND "
                                "c.deleted_at IS NULL ORDER BY ct.capture_id, t.name COLLATE "
                                "NOCASE, t.name;")) {
        auto captureID = row.string("capture_id");
        auto name = row.string("name");
        if (captureID && name)
            out[*captureID].push_back(std::move(*name));
    }
    return out;
}

std::vector<std::string> CaptureStore::allTags() const {
    return names(db_->query("SELECT DISTINCT t.name FROM tags t JOIN capture_tags ct ON ct.tag_id "
                            "= t.id JOIN captures c ON c.id = ct.capture_id AND c.deleted_at IS "
                            "NULL ORDER BY t.name COLLATE NOCASE;"));
}

std::map<std::string, std::int64_t> CaptureStore::tagUses() const {
    std::map<std::string, std::int64_t> uses;
    for (auto& row : db_->query("SELECT t.name, COUNT(*) AS n FROM tags t JOIN capture_tags ct ON "
                                "ct.tag_id = t.id JOIN captures c ON c.id = ct.capture_id AND "
                                "c.deleted_at IS NULL GROUP BY t.name;"))
        if (auto name = row.string("name"))
            uses[std::move(*name)] = row.intValue("n").value_or(0);
    return uses;
}

CaptureStore::BoardRows CaptureStore::boardRows(const std::set<std::string>* ids) const {
    BoardRows rows;
    if (!ids) {
        const auto live =
            db_->query("SELECT COUNT(*) AS n FROM captures WHERE deleted_at IS NULL;");
        rows.captures.reserve(
            std::size_t(live.empty() ? 0 : live.front().intValue("n").value_or(0)));
        forEachLiveCapture([&](Capture&& capture) { rows.captures.push_back(std::move(capture)); });
        rows.tags = tagsByCapture();
        rows.comments = commentCounts();
        rows.images = imageCounts();
        return rows;
    }
    forEachBatch(
        std::vector<std::string>(ids->begin(), ids->end()),
        [&](const std::string& in, const std::vector<SQLValue>& values) {
            for (const auto& row : db_->query(
                     "SELECT * FROM captures WHERE deleted_at IS NULL AND id" + in + ";", values))
                rows.captures.push_back(decodeCapture(row));
            readBeside(*db_, in, values, rows);
        });
    return rows;
}

CaptureStore::BoardRows CaptureStore::boardRows(std::vector<Capture> captures) const {
    BoardRows rows;
    std::vector<std::string> ids;
    ids.reserve(captures.size());
    for (const auto& capture : captures)
        ids.push_back(capture.id);
    rows.captures = std::move(captures);
    forEachBatch(ids, [&](const std::string& in, const std::vector<SQLValue>& values) {
        readBeside(*db_, in, values, rows);
    });
    return rows;
}

void CaptureStore::forEachLiveCapture(const std::function<void(Capture&&)>& each) const {
    // In pages by row id, so that no more than a page of raw rows is held at once.
    constexpr std::int64_t page = 2000;
    std::int64_t after = std::numeric_limits<std::int64_t>::min();
    for (;;) {
        const auto raw = db_->query("SELECT rowid AS row_number, * FROM captures WHERE "
                                    "deleted_at IS NULL AND rowid > ? ORDER BY rowid LIMIT ?;",
                                    {after, page});
        for (const auto& row : raw)
            each(decodeCapture(row));
        if (std::int64_t(raw.size()) < page)
            break;
        after = raw.back().intValue("row_number").value_or(after);
    }
}

std::vector<ActivityEvent> CaptureStore::activity(std::string_view captureID) const {
    std::vector<ActivityEvent> events;
    for (const auto& row : db_->query(
             "SELECT * FROM activity WHERE capture_id = ? ORDER BY created_at ASC;", {captureID}))
        events.push_back(decodeActivity(row));
    return events;
}

ActivityEvent CaptureStore::decodeActivity(const Row& row) {
    ActivityEvent event;
    auto id = row.string("id");
    event.id = id ? *id : makeUUID();
    event.captureID = row.string("capture_id");
    event.kind = row.string("kind").value_or("");
    event.detail = row.string("detail").value_or("");
    event.actor = row.string("actor").value_or(std::string(localActor));
    event.createdAt = row.date("created_at").value_or(now());
    event.actorID = row.string("actor_id");
    event.remote = row.boolValue("remote");
    return event;
}

} // namespace tavro
