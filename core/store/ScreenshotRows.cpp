#include "store/CaptureStore.h"

#include "files/ScreenshotFiles.h"
#include "model/Uuid.h"
#include "store/EnumColumn.h"

namespace tavro {

CaptureImage CaptureStore::decodeImage(const Row& row) {
    CaptureImage image;
    auto id = row.string("id");
    image.id = id ? *id : makeUUID();
    image.captureID = row.string("capture_id").value_or("");
    image.position = row.intValue("position").value_or(0);
    image.imagePath = row.string("image_path").value_or("");
    image.annotatedPath = row.string("annotated_path");
    image.thumbPath = row.string("thumb_path");
    image.width = row.intValue("width").value_or(0);
    image.height = row.intValue("height").value_or(0);
    image.bytes = row.intValue("bytes").value_or(0);
    image.annotationJSON = row.string("annotation_json");
    image.createdAt = row.date("created_at").value_or(now());
    image.remoteID = row.string("remote_id");
    image.syncState = enumColumn(row, "sync_state", SyncState::local);
    image.dirty = row.boolValue("dirty");
    image.originalSHA256 = row.string("original_sha256");
    image.markedSHA256 = row.string("marked_sha256");
    image.thumbSHA256 = row.string("thumb_sha256");
    image.version = row.intValue("version").value_or(0);
    image.deletedAt = row.date("deleted_at");
    return image;
}

std::vector<CaptureImage> CaptureStore::images(std::string_view captureID,
                                               MarkupRead markup) const {
    static constexpr std::string_view wholeSQL =
        "SELECT * FROM capture_images WHERE capture_id = ? AND deleted_at IS NULL "
        "ORDER BY position, created_at;";
    // A cut text is longer than CaptureImage::decodedMarkupBytes, so hasAnnotations() reads it
    // as far as its first shape, as it would the whole one.
    static_assert(CaptureImage::decodedMarkupBytes == 65536);
    static constexpr std::string_view headSQL =
        "SELECT id, capture_id, position, image_path, annotated_path, thumb_path, width, height, "
        "bytes, substr(annotation_json, 1, 65537) AS annotation_json, created_at, remote_id, "
        "sync_state, dirty, original_sha256, marked_sha256, thumb_sha256, version, deleted_at "
        "FROM capture_images WHERE capture_id = ? AND deleted_at IS NULL "
        "ORDER BY position, created_at;";
    std::vector<CaptureImage> out;
    for (const auto& row :
         db_->query(markup == MarkupRead::whole ? wholeSQL : headSQL, {captureID}))
        out.push_back(decodeImage(row));
    return out;
}

namespace {

void refuseLargeMarkup(const CaptureImage& image) {
    if (image.annotationJSON && image.annotationJSON->size() > Annotation::maxEncodedBytes)
        throw DatabaseError::refused(Annotation::tooLargeMessage(image.annotationJSON->size()));
}

} // namespace

std::optional<CaptureImage> CaptureStore::image(std::string_view id) const {
    auto rows =
        db_->query("SELECT * FROM capture_images WHERE id = ? AND deleted_at IS NULL;", {id});
    if (rows.empty())
        return std::nullopt;
    return decodeImage(rows.front());
}

CaptureImage CaptureStore::addImage(CaptureImage image) {
    refuseLargeMarkup(image);
    // The next free position and the row that takes it are one write, so two programs
    // appending at once never share a place.
    db_->transaction([&] {
        if (image.position < 0) {
            auto rows = db_->query("SELECT COALESCE(MAX(position), -1) + 1 AS n FROM "
                                   "capture_images WHERE capture_id = ?;",
                                   {image.captureID});
            image.position = rows.empty() ? 0 : rows.front().intValue("n").value_or(0);
        }
        db_->execute("INSERT INTO capture_images (id, capture_id, position, image_path, "
                     "annotated_path, thumb_path, width, height, bytes, annotation_json, "
                     "created_at, remote_id, sync_state, dirty, original_sha256, marked_sha256, "
                     "thumb_sha256, version, deleted_at) "
                     "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?);",
                     {image.id, image.captureID, image.position, image.imagePath,
                      image.annotatedPath, image.thumbPath, image.width, image.height, image.bytes,
                      image.annotationJSON, image.createdAt, image.remoteID,
                      rawValue(image.syncState), SQLValue::flag(image.dirty), image.originalSHA256,
                      image.markedSHA256, image.thumbSHA256, image.version,
                      SQLValue::date(image.deletedAt)});
        markPending("capture_images", image.id, {"*"});
        refreshCover(image.captureID);
        touch(image.captureID);
        postChange();
    });
    return image;
}

void CaptureStore::updateImage(const CaptureImage& image) {
    refuseLargeMarkup(image);
    db_->transaction([&] {
        db_->execute("UPDATE capture_images SET position = ?, image_path = ?, annotated_path = ?, "
                     "thumb_path = ?, width = ?, height = ?, bytes = ?, annotation_json = ?, "
                     "dirty = 1 WHERE id = ?;",
                     {image.position, image.imagePath, image.annotatedPath, image.thumbPath,
                      image.width, image.height, image.bytes, image.annotationJSON, image.id});
        markPending("capture_images", image.id,
                    {"annotation_json", "marked_sha256", "thumb_sha256"});
        refreshCover(image.captureID);
        touch(image.captureID);
        postChange();
    });
}

bool CaptureStore::deleteImage(std::string_view id) {
    // Everything is read inside the transaction, so a screenshot another program adds meanwhile
    // keeps its place; the files go only after the commit, so a failed write never leaves a row
    // pointing at a removed file.
    return db_->transaction([&] {
        auto target = image(id);
        if (!target)
            return false;
        const auto siblings = images(target->captureID);
        if (target->syncState == SyncState::local) {
            db_->execute("DELETE FROM capture_images WHERE id = ?;", {target->id});
        } else {
            db_->execute("UPDATE capture_images SET deleted_at = ?, image_path = '', "
                         "annotated_path = NULL, thumb_path = NULL WHERE id = ?;",
                         {now(), target->id});
            markPending("capture_images", target->id, {"delete"});
        }
        std::int64_t index = 0;
        for (const auto& sibling : siblings) {
            if (sibling.id == target->id)
                continue;
            if (sibling.position != index) {
                db_->execute("UPDATE capture_images SET position = ?, dirty = 1 WHERE id = ?;",
                             {index, sibling.id});
                markPending("capture_images", sibling.id, {"position"});
            }
            ++index;
        }
        refreshCover(target->captureID);
        touch(target->captureID);
        db_->afterCommit([removed = *target] { ScreenshotFiles::removeFiles(removed); });
        postChange();
        return true;
    });
}

void CaptureStore::refreshCover(std::string_view captureID) {
    db_->transaction([&] {
        // Only the first screenshot matters: the order of images(), cut to one row.
        const auto list = db_->query("SELECT * FROM capture_images WHERE capture_id = ? AND "
                                     "deleted_at IS NULL ORDER BY position, created_at LIMIT 1;",
                                     {captureID});
        if (list.empty()) {
            db_->execute("UPDATE captures SET image_path = '', thumb_path = NULL, image_width = 0, "
                         "image_height = 0, image_bytes = 0 WHERE id = ?;",
                         {captureID});
            return;
        }
        const auto first = decodeImage(list.front());
        const std::string& cover = first.displayPath();
        db_->execute("UPDATE captures SET image_path = ?, thumb_path = ?, image_width = ?, "
                     "image_height = ?, image_bytes = ? WHERE id = ?;",
                     {cover, first.thumbPath, first.width, first.height, first.bytes, captureID});
    });
}

void CaptureStore::touch(std::string_view captureID) {
    db_->execute("UPDATE captures SET updated_at = ?, dirty = 1 WHERE id = ?;", {now(), captureID});
}

CaptureImage CaptureStore::addImage(CaptureImage image, CaptureMode mode) {
    CaptureImage stored;
    db_->transaction([&] {
        stored = addImage(std::move(image));
        auto owner = capture(stored.captureID);
        if (owner && owner->captureMode == CaptureMode::text)
            setCaptureMode(mode, stored.captureID);
    });
    return stored;
}

void CaptureStore::setCaptureMode(CaptureMode mode, std::string_view captureID) {
    db_->transaction([&] {
        db_->execute(
            "UPDATE captures SET capture_mode = ?, updated_at = ?, dirty = 1 WHERE id = ?;",
            {rawValue(mode), now(), captureID});
        markPending("captures", captureID, {"capture_mode"});
        postChange();
    });
}

} // namespace tavro
