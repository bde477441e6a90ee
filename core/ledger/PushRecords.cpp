#include "ledger/SyncLedger.h"

#include "ledger/LocalPending.h"
#include "model/Wire.h"
#include "store/CaptureColumns.h"
#include "store/PushTables.h"

#include <array>

namespace tavro {

using nlohmann::json;

namespace PushTables {

std::optional<std::string> named(std::string_view table) {
    static constexpr std::array<std::string_view, 3> tables{"captures", "groups", "capture_images"};
    for (auto name : tables)
        if (name == table)
            return std::string(name);
    return std::nullopt;
}

} // namespace PushTables

namespace {

json orNull(const std::optional<std::string>& text) {
    return text ? json(*text) : json(nullptr);
}

json changeRecord(std::string_view table, const SyncLedger::Pending& pending, json patch) {
    return {{"table", table},
            {"id", pending.id},
            {"base_version", pending.version},
            {"patch", std::move(patch)}};
}

json deleteRecord(std::string_view table, const SyncLedger::Pending& pending) {
    return {
        {"table", table}, {"id", pending.id}, {"base_version", pending.version}, {"delete", true}};
}

// The whole patch for "*", else only its keys that are pending; nothing when that is empty.
std::optional<json> patchFor(const json& full, const std::set<std::string>& fields) {
    if (fields.count("*"))
        return full;
    json patch = json::object();
    for (const auto& name : fields)
        if (auto it = full.find(name); it != full.end())
            patch[name] = *it;
    if (patch.empty())
        return std::nullopt;
    return patch;
}

// Rows of id, pending and version as listed for a push; a row without an id is passed over.
std::vector<SyncLedger::Pending> pendingRows(const std::vector<Row>& rows) {
    std::vector<SyncLedger::Pending> out;
    for (const auto& row : rows) {
        auto id = row.string("id");
        if (!id)
            continue;
        auto mark = row.string("pending");
        out.push_back(
            {*id, SyncLedger::pendingFields(mark), row.intValue("version").value_or(0), mark});
    }
    return out;
}

} // namespace

std::set<std::string> SyncLedger::pendingFields(const std::optional<std::string>& mark) {
    std::set<std::string> fields;
    if (!mark)
        return fields;
    auto parsed = json::parse(*mark, nullptr, false);
    if (parsed.is_object())
        for (auto it = parsed.begin(); it != parsed.end(); ++it)
            fields.insert(it.key());
    return fields;
}

std::set<std::string> localPendingFields(const std::optional<Row>& local) {
    if (!local || local->string("sync_state") != "pendingPush")
        return {};
    return SyncLedger::pendingFields(local->string("pending"));
}

std::vector<SyncLedger::Pending> SyncLedger::pending(std::string_view table,
                                                     std::int64_t limit) const {
    auto name = PushTables::named(table);
    if (!name)
        return {};
    return pendingRows(db_->query("SELECT id, pending, version FROM " + *name +
                                      " WHERE sync_state = 'pendingPush' ORDER BY "
                                      "created_at ASC LIMIT ?;",
                                  {limit}));
}

std::vector<Comment> SyncLedger::pendingComments(std::int64_t limit) const {
    std::vector<Comment> out;
    for (const auto& row : db_->query("SELECT * FROM comments WHERE sync_state = 'pendingPush' "
                                      "ORDER BY created_at ASC LIMIT ?;",
                                      {limit}))
        out.push_back(CaptureStore::decodeComment(row));
    return out;
}

namespace {

// Rows of `table` (capture_images or comments) waiting to be pushed whose capture the service
// has, or whose capture goes in the same request.
std::string pushableChildren(std::string_view table, std::string_view columns) {
    const std::string name(table);
    return "SELECT " + std::string(columns) + " FROM " + name +
           " WHERE sync_state = 'pendingPush' AND (capture_id IN (SELECT value FROM json_each(?)) "
           "OR NOT EXISTS (SELECT 1 FROM captures WHERE captures.id = " +
           name + ".capture_id AND " + std::string(PushTables::captureNotOnService) +
           ")) ORDER BY created_at ASC LIMIT ?;";
}

} // namespace

std::vector<SyncLedger::Pending>
SyncLedger::pushableImages(std::int64_t limit, const std::vector<std::string>& capturesSent) const {
    static const std::string sql = pushableChildren("capture_images", "id, pending, version");
    return pendingRows(db_->query(sql, {json(capturesSent).dump(), limit}));
}

std::vector<Comment>
SyncLedger::pushableComments(std::int64_t limit,
                             const std::vector<std::string>& capturesSent) const {
    static const std::string sql = pushableChildren("comments", "*");
    std::vector<Comment> out;
    for (const auto& row : db_->query(sql, {json(capturesSent).dump(), limit}))
        out.push_back(CaptureStore::decodeComment(row));
    return out;
}

bool SyncLedger::captureNotOnService(std::string_view captureID) const {
    return !db_->query("SELECT 1 AS one FROM captures WHERE id = ? AND " +
                           std::string(PushTables::captureNotOnService) + ";",
                       {captureID})
                .empty();
}

std::optional<CaptureImage> SyncLedger::rawImage(std::string_view id) const {
    auto rows = db_->query("SELECT * FROM capture_images WHERE id = ?;", {id});
    if (rows.empty())
        return std::nullopt;
    return CaptureStore::decodeImage(rows.front());
}

std::optional<json> SyncLedger::groupChange(const Pending& pending) const {
    auto rows = db_->query("SELECT * FROM groups WHERE id = ?;", {pending.id});
    if (rows.empty())
        return std::nullopt;
    const auto group = CaptureStore::decodeGroup(rows.front());
    json patch = json::object();
    if (pending.fields.count("*")) {
        if (!group.workspaceID)
            return std::nullopt;
        patch = {{"workspace_id", *group.workspaceID},
                 {"name", group.name},
                 {"color_hex", group.colorHex},
                 {"visibility", rawValue(group.visibility)}};
    } else {
        if (pending.fields.count("name"))
            patch["name"] = group.name;
        if (pending.fields.count("color_hex"))
            patch["color_hex"] = group.colorHex;
        if (pending.fields.count("archived_at"))
            patch["archived_at"] = Wire::stamp(group.archivedAt);
    }
    if (patch.empty())
        return std::nullopt;
    return changeRecord("groups", pending, std::move(patch));
}

std::optional<json> SyncLedger::captureChange(const Pending& pending) const {
    auto capture = store_.rawCapture(pending.id);
    if (!capture)
        return std::nullopt;
    if (pending.fields.count("delete") || capture->deletedAt)
        return deleteRecord("captures", pending);
    if (!capture->workspaceID)
        return std::nullopt;
    json full = json::object();
    for (const auto& column : CaptureColumns::all())
        if (column.has(CaptureColumn::pushed))
            full[std::string(column.wireKey)] = CaptureColumns::toWire(column, *capture);
    full["tags"] = store_.tags(capture->id);
    full["captured_at"] = Wire::stamp(capture->createdAt);
    auto patch = patchFor(full, pending.fields);
    if (!patch)
        return std::nullopt;
    return changeRecord("captures", pending, std::move(*patch));
}

std::optional<json> SyncLedger::imageChange(const Pending& pending, const CaptureImage& image) {
    if (pending.fields.count("delete") || image.deletedAt)
        return deleteRecord("capture_images", pending);
    if (!image.originalSHA256)
        return std::nullopt;
    json annotation = nullptr;
    if (image.annotationJSON) {
        // Text stored as a server sent it may nest deeper than the record could be copied.
        auto parsed = json::parse(*image.annotationJSON, nullptr, false);
        if (!parsed.is_discarded() && !Wire::nestedDeeperThan(parsed, Wire::maxNesting))
            annotation = std::move(parsed);
    }
    const json full = {
        {"capture_id", image.captureID},
        {"position", image.position},
        {"original_sha256", *image.originalSHA256},
        {"marked_sha256", orNull(image.markedSHA256)},
        {"thumb_sha256", orNull(image.thumbSHA256)},
        {"width", image.width},
        {"height", image.height},
        {"bytes", image.bytes},
        {"annotation_json", std::move(annotation)},
        {"created_at", Wire::stamp(image.createdAt)},
    };
    auto patch = patchFor(full, pending.fields);
    if (!patch)
        return std::nullopt;
    return changeRecord("capture_images", pending, std::move(*patch));
}

json SyncLedger::commentChange(const Comment& comment) {
    return {{"table", "comments"},
            {"id", comment.id},
            {"patch",
             {{"capture_id", comment.captureID},
              {"body", comment.body},
              {"created_at", Wire::stamp(comment.createdAt)},
              {"is_agent", comment.isAgent},
              {"actor_label", orNull(comment.actorLabel)},
              {"kind", comment.kind}}}};
}

} // namespace tavro
