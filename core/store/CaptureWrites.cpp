#include "store/CaptureStore.h"

#include "model/Text.h"
#include "model/Uuid.h"

namespace tavro {

namespace {

bool sameText(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    if (!a || !b)
        return a.has_value() == b.has_value();
    return text::canonicallyEqual(*a, *b);
}

// The wire names of the fields that differ between the stored row and its rewrite, in the order
// the sync side expects them. thumb_path and local_only are never pushed; only a newly set
// deletion time is.
std::vector<std::string> changedFields(const Capture& stored, const Capture& next) {
    std::vector<std::string> fields;
    auto differentText = [&](const char* name, const auto& a, const auto& b) {
        if (!sameText(a, b))
            fields.emplace_back(name);
    };
    auto differs = [&](const char* name, bool changed) {
        if (changed)
            fields.emplace_back(name);
    };
    differs("note", !text::canonicallyEqual(stored.note, next.note));
    differs("status", stored.status != next.status);
    differs("priority", stored.priority != next.priority);
    differentText("group_id", stored.groupID, next.groupID);
    differentText("app_name", stored.appName, next.appName);
    differentText("app_bundle_id", stored.appBundleID, next.appBundleID);
    differentText("window_title", stored.windowTitle, next.windowTitle);
    differentText("url", stored.url, next.url);
    differentText("claimed_label", stored.claimedBy, next.claimedBy);
    differentText("claimed_by_id", stored.claimedByID, next.claimedByID);
    differs("claimed_at", stored.claimedAt != next.claimedAt);
    differs("resolved_at", stored.resolvedAt != next.resolvedAt);
    differentText("resolution_ref", stored.resolutionRef, next.resolutionRef);
    differentText("assignee_id", stored.assigneeID, next.assigneeID);
    differs("delete", !stored.deletedAt && next.deletedAt);
    return fields;
}

} // namespace

void CaptureStore::insert(const Capture& given) {
    Capture capture = given;
    db_->transaction([&] {
        if (!capture.authorID)
            capture.authorID = currentUserID();
        if (!capture.workspaceID && !capture.localOnly)
            capture.workspaceID = defaultWorkspaceID();
        const bool shared = capture.isShared();
        if (shared) {
            capture.syncState = SyncState::pendingPush;
            capture.dirty = true;
        }
        db_->execute(
            "INSERT INTO captures (id, created_at, updated_at, note, status, priority, group_id, "
            "image_path, thumb_path, image_width, image_height, image_bytes, capture_mode, "
            "app_name, app_bundle_id, window_title, url, display_name, display_scale, claimed_by, "
            "claimed_at, resolved_at, resolution_ref, remote_id, sync_state, dirty, deleted_at, "
            "workspace_id, author_id, assignee_id, claimed_by_id, version, pending, local_only) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?);",
            {capture.id,
             capture.createdAt,
             capture.updatedAt,
             capture.note,
             rawValue(capture.status),
             rawValue(capture.priority),
             capture.groupID,
             capture.imagePath,
             capture.thumbPath,
             capture.imageWidth,
             capture.imageHeight,
             capture.imageBytes,
             rawValue(capture.captureMode),
             capture.appName,
             capture.appBundleID,
             capture.windowTitle,
             capture.url,
             capture.displayName,
             capture.displayScale,
             capture.claimedBy,
             SQLValue::date(capture.claimedAt),
             SQLValue::date(capture.resolvedAt),
             capture.resolutionRef,
             capture.remoteID,
             rawValue(capture.syncState),
             SQLValue::flag(capture.dirty),
             SQLValue::date(capture.deletedAt),
             capture.workspaceID,
             capture.authorID,
             capture.assigneeID,
             capture.claimedByID,
             capture.version,
             shared ? SQLValue(R"({"*":true})") : SQLValue(),
             SQLValue::flag(capture.localOnly)});
        const std::string detail(capture.hasImage() ? displayName(capture.captureMode)
                                                    : "no screenshot");
        recordActivity(capture.id, "created", detail, "you", makeUUID(), now());
        postChange();
    });
}

void CaptureStore::update(const Capture& given) {
    Capture capture = given;
    capture.updatedAt = now();
    capture.dirty = true;
    // One immediate transaction from the read to the mark: another program's write to the row
    // cannot slip in between and be lost from the pending names.
    db_->transaction([&] {
        const auto stored = rawCapture(capture.id);
        db_->execute("UPDATE captures SET updated_at = ?, note = ?, status = ?, priority = ?, "
                     "group_id = ?, thumb_path = ?, app_name = ?, app_bundle_id = ?, "
                     "window_title = ?, url = ?, claimed_by = ?, claimed_at = ?, resolved_at = ?, "
                     "resolution_ref = ?, dirty = 1, deleted_at = ?, assignee_id = ?, "
                     "claimed_by_id = ?, local_only = ? WHERE id = ?;",
                     {capture.updatedAt, capture.note, rawValue(capture.status),
                      rawValue(capture.priority), capture.groupID, capture.thumbPath,
                      capture.appName, capture.appBundleID, capture.windowTitle, capture.url,
                      capture.claimedBy, SQLValue::date(capture.claimedAt),
                      SQLValue::date(capture.resolvedAt), capture.resolutionRef,
                      SQLValue::date(capture.deletedAt), capture.assigneeID, capture.claimedByID,
                      SQLValue::flag(capture.localOnly), capture.id});
        if (stored) {
            auto fields = changedFields(*stored, capture);
            if (!fields.empty())
                markPending("captures", capture.id, fields);
        }
        postChange();
    });
}

} // namespace tavro
