#include "store/CaptureStore.h"

#include "files/ScreenshotFiles.h"

namespace tavro {

void CaptureStore::softDelete(std::string_view id) {
    db_->transaction([&] {
        std::vector<CaptureImage> shots;
        try {
            shots = images(id);
        } catch (const DatabaseError&) {
            // Unlisted screenshots only leave their files behind; the deletion goes on.
        }
        auto live = capture(id);
        const Seconds deletedAt = now();
        const Seconds updatedAt = now();
        db_->execute("UPDATE captures SET deleted_at = ?, updated_at = ?, dirty = 1 WHERE id = ?;",
                     {deletedAt, updatedAt, id});
        markPending("captures", id, {"delete"});
        // Files go only once the row says the capture is deleted.
        db_->afterCommit([shots = std::move(shots), live = std::move(live)] {
            for (const auto& shot : shots)
                ScreenshotFiles::removeFiles(shot);
            if (live)
                ScreenshotFiles::removeFiles(*live);
        });
        postChange();
    });
}

void CaptureStore::adopt(std::string_view captureID, std::string_view workspaceID) {
    const auto userID = currentUserID();
    db_->transaction([&] {
        const Seconds time = now();
        const auto moved = db_->execute(
            "UPDATE captures SET workspace_id = ?, author_id = COALESCE(author_id, ?), "
            "local_only = 0, sync_state = 'pendingPush', pending = '{\"*\":true}', "
            "updated_at = ? WHERE id = ? AND deleted_at IS NULL;",
            {workspaceID, userID, time, captureID});
        // A deleted or unknown capture stays where it is, and so does everything it owns.
        if (moved == 0) {
            postChange();
            return;
        }
        db_->execute("UPDATE capture_images SET sync_state = 'pendingPush', pending = "
                     "'{\"*\":true}' WHERE capture_id = ? AND deleted_at IS NULL;",
                     {captureID});
        db_->execute("UPDATE comments SET sync_state = 'pendingPush' WHERE capture_id = ? AND "
                     "sync_state = 'local';",
                     {captureID});
        auto moving = rawCapture(captureID);
        if (moving && moving->groupID) {
            auto local = group(*moving->groupID);
            if (local && !local->workspaceID) {
                // A group of that name in the workspace takes the capture in; moving a second
                // one there would clash with it.
                auto same = db_->query("SELECT id FROM groups WHERE workspace_id = ? AND "
                                       "LOWER(name) = LOWER(?) AND deleted_at IS NULL "
                                       "ORDER BY archived_at IS NOT NULL, created_at LIMIT 1;",
                                       {workspaceID, local->name});
                if (!same.empty() && same.front().string("id")) {
                    db_->execute("UPDATE captures SET group_id = ? WHERE id = ?;",
                                 {*same.front().string("id"), captureID});
                } else {
                    db_->execute("UPDATE groups SET workspace_id = ?, created_by = "
                                 "COALESCE(created_by, ?), sync_state = 'pendingPush', pending = "
                                 "'{\"*\":true}', updated_at = ? WHERE id = ?;",
                                 {workspaceID, userID, time, local->id});
                }
            }
        }
        postChange();
    });
}

} // namespace tavro
