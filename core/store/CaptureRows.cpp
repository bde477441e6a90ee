#include "store/CaptureStore.h"

#include "model/Uuid.h"
#include "store/EnumColumn.h"

namespace tavro {

Capture CaptureStore::decodeCapture(const Row& row) {
    const Seconds fallbackTime = now();
    Capture c;
    auto id = row.string("id");
    c.id = id ? *id : makeUUID();
    c.createdAt = row.date("created_at").value_or(fallbackTime);
    c.updatedAt = row.date("updated_at").value_or(fallbackTime);
    c.note = row.string("note").value_or("");
    c.status = enumColumn(row, "status", CaptureStatus::open);
    c.priority = enumColumn(row, "priority", CapturePriority::normal);
    c.groupID = row.string("group_id");
    c.imagePath = row.string("image_path").value_or("");
    c.thumbPath = row.string("thumb_path");
    c.imageWidth = row.intValue("image_width").value_or(0);
    c.imageHeight = row.intValue("image_height").value_or(0);
    c.imageBytes = row.intValue("image_bytes").value_or(0);
    c.captureMode = enumColumn(row, "capture_mode", CaptureMode::region);
    c.appName = row.string("app_name");
    c.appBundleID = row.string("app_bundle_id");
    c.windowTitle = row.string("window_title");
    c.url = row.string("url");
    c.displayName = row.string("display_name");
    c.displayScale = row.doubleValue("display_scale").value_or(0);
    c.claimedBy = row.string("claimed_by");
    c.claimedAt = row.date("claimed_at");
    c.resolvedAt = row.date("resolved_at");
    c.resolutionRef = row.string("resolution_ref");
    c.remoteID = row.string("remote_id");
    c.syncState = enumColumn(row, "sync_state", SyncState::local);
    c.dirty = row.boolValue("dirty");
    c.deletedAt = row.date("deleted_at");
    c.workspaceID = row.string("workspace_id");
    c.authorID = row.string("author_id");
    c.assigneeID = row.string("assignee_id");
    c.claimedByID = row.string("claimed_by_id");
    c.version = row.intValue("version").value_or(0);
    c.localOnly = row.boolValue("local_only");
    return c;
}

std::optional<Capture> CaptureStore::capture(std::string_view id) const {
    auto rows = db_->query("SELECT * FROM captures WHERE id = ? AND deleted_at IS NULL;", {id});
    if (rows.empty())
        return std::nullopt;
    return decodeCapture(rows.front());
}

std::optional<Capture> CaptureStore::rawCapture(std::string_view id) const {
    auto rows = db_->query("SELECT * FROM captures WHERE id = ?;", {id});
    if (rows.empty())
        return std::nullopt;
    return decodeCapture(rows.front());
}

} // namespace tavro
