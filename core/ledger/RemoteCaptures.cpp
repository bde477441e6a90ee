#include "ledger/SyncLedger.h"

#include "ledger/LocalPending.h"
#include "model/Wire.h"
#include "store/CaptureColumns.h"
#include "store/ServerRow.h"

#include <utility>

namespace tavro {

namespace {

using nlohmann::json;
using Columns = std::vector<std::pair<std::string, SQLValue>>;

std::string joined(const Columns& columns, std::string_view suffix, std::string_view separator) {
    std::string out;
    for (const auto& column : columns) {
        if (!out.empty())
            out += separator;
        out += column.first;
        out += suffix;
    }
    return out;
}

std::vector<SQLValue> valuesOf(const Columns& columns) {
    std::vector<SQLValue> values;
    values.reserve(columns.size() + 1);
    for (const auto& column : columns)
        values.push_back(column.second);
    return values;
}

void insertRow(Database& db, std::string_view table, const Columns& columns) {
    std::string marks;
    for (size_t i = 0; i < columns.size(); ++i)
        marks += i ? ",?" : "?";
    db.execute("INSERT INTO " + std::string(table) + " (" + joined(columns, "", ", ") +
                   ") VALUES (" + marks + ");",
               valuesOf(columns));
}

void updateRow(Database& db, std::string_view table, const Columns& columns, std::string_view id) {
    auto values = valuesOf(columns);
    values.emplace_back(id);
    db.execute("UPDATE " + std::string(table) + " SET " + joined(columns, " = ?", ", ") +
                   " WHERE id = ?;",
               values);
}

std::optional<Row> firstRow(std::vector<Row> rows) {
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

} // namespace

void SyncLedger::applyRemoteCapture(const json& row) {
    auto id = ServerRow::text(row, "id");
    if (!id)
        return;
    // Person ids (author, assignee, claimer) are the service's own texts and name no file.
    if (auto why = ServerRow::refusal(row, {"id"}, {"workspace_id", "group_id"})) {
        log("warn", "Skipped a captures row: " + *why);
        return;
    }
    db_->transaction([&] {
        if (Wire::date(Wire::field(row, "deleted_at"))) {
            dropCapture(*id);
            return;
        }
        auto local =
            firstRow(db_->query("SELECT sync_state, pending FROM captures WHERE id = ?;", {*id}));
        const auto pending = localPendingFields(local);
        if (pending.count("delete"))
            return;
        Columns columns = {{"local_only", 0}};
        for (const auto& column : CaptureColumns::all())
            if (column.has(CaptureColumn::mirrored) ||
                (column.has(CaptureColumn::merged) && !pending.count(std::string(column.wireKey))))
                columns.emplace_back(std::string(column.column),
                                     CaptureColumns::fromWire(column, row));
        if (!local) {
            Columns insert = {
                {"id", *id},        {"created_at", ServerRow::dateOr(row, "created_at", now())},
                {"image_path", ""}, {"sync_state", "synced"},
                {"dirty", 0},
            };
            insert.insert(insert.end(), columns.begin(), columns.end());
            insertRow(*db_, "captures", insert);
        } else {
            if (pending.empty()) {
                columns.emplace_back("sync_state", "synced");
                columns.emplace_back("pending", nullptr);
            }
            updateRow(*db_, "captures", columns, *id);
        }
        // A capture new here has no tags to replace.
        auto tags = Wire::strings(Wire::field(row, "tags"));
        if (!pending.count("tags") && (local || !tags.empty()))
            store_.replaceTags(tags, *id);
    });
}

void SyncLedger::applyRemoteImage(const json& row) {
    auto id = ServerRow::text(row, "id");
    auto captureID = ServerRow::text(row, "capture_id");
    if (!id || !captureID)
        return;
    if (auto why = ServerRow::refusal(row, {"id", "capture_id"}, {},
                                      {"original_sha256", "marked_sha256", "thumb_sha256"})) {
        log("warn", "Skipped a capture_images row: " + *why);
        return;
    }
    db_->transaction([&] {
        if (Wire::date(Wire::field(row, "deleted_at"))) {
            dropImage(*id);
            return;
        }
        const auto existing = rawImage(*id);
        const auto pending = localPendingFields(firstRow(
            db_->query("SELECT sync_state, pending FROM capture_images WHERE id = ?;", {*id})));
        if (pending.count("delete"))
            return;
        const auto original = Wire::str(Wire::field(row, "original_sha256"));
        const auto marked = Wire::str(Wire::field(row, "marked_sha256"));
        const auto thumb = Wire::str(Wire::field(row, "thumb_sha256"));
        auto annotation = Wire::json(Wire::field(row, "annotation_json"));
        // The screenshot is taken without a mark-up too large to store; its marked copy still
        // shows the marks.
        const bool markupRefused = annotation && annotation->size() > Annotation::maxEncodedBytes;
        if (markupRefused) {
            log("warn", "Left out the mark-up of screenshot " + *id + ": " +
                            Annotation::tooLargeMessage(annotation->size()));
            annotation.reset();
        }
        const auto version = Wire::integer(Wire::field(row, "version"));
        auto number = [&](std::string_view key) {
            return Wire::integer(Wire::field(row, key));
        };
        if (!existing) {
            db_->execute("INSERT INTO capture_images (id, capture_id, position, image_path, "
                         "annotated_path, thumb_path, width, height, bytes, annotation_json, "
                         "created_at, sync_state, dirty, original_sha256, marked_sha256, "
                         "thumb_sha256, version) "
                         "VALUES (?,?,?,'',NULL,NULL,?,?,?,?,?,'synced',0,?,?,?,?);",
                         {*id, *captureID, number("position"), number("width"), number("height"),
                          number("bytes"), annotation, ServerRow::dateOr(row, "created_at", now()),
                          original, marked, thumb, version});
        } else {
            Columns columns = {
                {"version", version},       {"original_sha256", original},
                {"width", number("width")}, {"height", number("height")},
                {"bytes", number("bytes")},
            };
            // A new marked or thumbnail hash forgets the local file, so it is fetched again.
            if (!pending.count("marked_sha256") && marked != existing->markedSHA256) {
                columns.emplace_back("marked_sha256", marked);
                columns.emplace_back("annotated_path", nullptr);
            }
            if (!pending.count("thumb_sha256") && thumb != existing->thumbSHA256) {
                columns.emplace_back("thumb_sha256", thumb);
                columns.emplace_back("thumb_path", nullptr);
            }
            if (!pending.count("annotation_json") && !markupRefused)
                columns.emplace_back("annotation_json", annotation);
            if (!pending.count("position"))
                columns.emplace_back("position", number("position"));
            if (pending.empty()) {
                columns.emplace_back("sync_state", "synced");
                columns.emplace_back("pending", nullptr);
            }
            updateRow(*db_, "capture_images", columns, *id);
        }
        store_.refreshCover(*captureID);
    });
}

std::vector<std::pair<CaptureImage, std::string>>
SyncLedger::imagesAwaitingDownload(std::int64_t limit) const {
    std::vector<std::pair<CaptureImage, std::string>> out;
    for (const auto& row : db_->query(
             "SELECT ci.*, c.workspace_id AS ws FROM capture_images ci JOIN captures c ON c.id = "
             "ci.capture_id AND c.deleted_at IS NULL AND c.workspace_id IS NOT NULL WHERE "
             "ci.deleted_at IS NULL AND ci.original_sha256 IS NOT NULL AND (ci.image_path = '' "
             "OR (ci.marked_sha256 IS NOT NULL AND ci.marked_sha256 != ci.original_sha256 AND "
             "ci.annotated_path IS NULL) OR (ci.thumb_sha256 IS NOT NULL AND ci.thumb_path IS "
             "NULL)) ORDER BY ci.created_at DESC LIMIT ?;",
             {limit})) {
        auto workspace = row.string("ws");
        if (!workspace)
            continue;
        auto image = CaptureStore::decodeImage(row);
        // Its id names the downloaded files and its hashes and workspace the URLs they come
        // from: a row that did not pass the checks on its way in is not fetched.
        const auto hashOK = [](const std::optional<std::string>& hash) {
            return !hash || Wire::isSHA256(*hash);
        };
        if (!Wire::isID(image.id) || !Wire::isID(*workspace) || !hashOK(image.originalSHA256) ||
            !hashOK(image.markedSHA256) || !hashOK(image.thumbSHA256))
            continue;
        out.emplace_back(std::move(image), std::move(*workspace));
    }
    return out;
}

} // namespace tavro
