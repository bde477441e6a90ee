#include "ledger/SyncLedger.h"

#include "files/ScreenshotFiles.h"
#include "store/PushTables.h"

namespace tavro {

namespace {

std::vector<std::string> ids(const std::vector<Row>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows)
        if (auto id = row.string("id"))
            out.push_back(*id);
    return out;
}

} // namespace

void SyncLedger::dropCapture(std::string_view id) {
    db_->transaction([&] {
        // A capture the server never had is not the server's to remove: it only leaves the
        // workspace, with its screenshots, files and comments.
        auto unshared = db_->query("SELECT workspace_id FROM captures WHERE id = ? AND " +
                                       PushTables::neverSharedCapture + ";",
                                   {id});
        if (!unshared.empty()) {
            if (unshared.front().string("workspace_id"))
                markLocalOnly(id);
            return;
        }
        std::vector<CaptureImage> shots;
        for (const auto& row :
             db_->query("SELECT * FROM capture_images WHERE capture_id = ?;", {id}))
            shots.push_back(CaptureStore::decodeImage(row));
        db_->execute("DELETE FROM captures WHERE id = ?;", {id});
        db_->afterCommit([shots = std::move(shots)] {
            for (const auto& shot : shots)
                ScreenshotFiles::removeFiles(shot);
        });
    });
}

bool SyncLedger::dropSyncedCapture(std::string_view id) {
    return db_->transaction([&] {
        if (db_->query("SELECT 1 AS one FROM captures WHERE id = ? AND workspace_id IS NOT NULL "
                       "AND sync_state = 'synced' AND deleted_at IS NULL AND local_only = 0;",
                       {id})
                .empty())
            return false;
        dropCapture(id);
        return true;
    });
}

void SyncLedger::dropImage(std::string_view id) {
    db_->transaction([&] {
        auto image = rawImage(id);
        if (!image)
            return;
        // A screenshot not yet pushed, or of a capture the server never had, stays.
        auto unshared = db_->query(
            "SELECT 1 AS one FROM capture_images WHERE id = ? AND (sync_state = 'local' OR " +
                std::string(PushTables::awaitingFirstPush) +
                " OR EXISTS (SELECT 1 FROM captures WHERE captures.id = "
                "capture_images.capture_id AND " +
                PushTables::neverSharedCapture + "));",
            {id});
        if (!unshared.empty())
            return;
        db_->execute("DELETE FROM capture_images WHERE id = ?;", {id});
        store_.refreshCover(image->captureID);
        db_->afterCommit([removed = *image] { ScreenshotFiles::removeFiles(removed); });
    });
}

void SyncLedger::dropGroup(std::string_view id) {
    // A group that never reached the server is not the server's to remove.
    if (!db_->query("SELECT 1 AS one FROM groups WHERE id = ? AND " +
                        std::string(PushTables::awaitingFirstPush) + ";",
                    {id})
             .empty())
        return;
    const std::string userID = store_.currentUserID().value_or("");
    // One capture at a time, each committed on its own, so the other program never waits long.
    for (const auto& captureID :
         ids(db_->query("SELECT id FROM captures WHERE group_id = ? AND (author_id IS NULL OR "
                        "author_id != ?);",
                        {id, userID})))
        dropCapture(captureID);
    db_->execute("DELETE FROM group_members WHERE group_id = ?;", {id});
    auto count = db_->query("SELECT COUNT(*) AS n FROM captures WHERE group_id = ?;", {id});
    if (count.empty() || count.front().intValue("n").value_or(0) == 0)
        db_->execute("DELETE FROM groups WHERE id = ?;", {id});
}

void SyncLedger::keepUnpushedGroups(const std::optional<std::string>& workspaceID) {
    // Each moves on its own: it must not take a name a local group already has.
    for (const auto& groupID :
         ids(db_->query("SELECT id FROM groups WHERE workspace_id IS NOT NULL AND (?1 IS NULL OR "
                        "workspace_id = ?1) AND " +
                            std::string(PushTables::awaitingFirstPush) + ";",
                        {workspaceID})))
        db_->execute("UPDATE groups SET workspace_id = NULL, sync_state = 'local', pending = NULL "
                     "WHERE id = ? AND " +
                         PushTables::groupNameFreeHere + ";",
                     {groupID});
}

void SyncLedger::dropWorkspace(std::string_view id) {
    for (const auto& captureID :
         ids(db_->query("SELECT id FROM captures WHERE workspace_id = ?;", {id})))
        dropCapture(captureID);
    keepUnpushedGroups(std::string(id));
    db_->execute("DELETE FROM groups WHERE workspace_id = ?;", {id});
    db_->execute("DELETE FROM workspaces WHERE id = ?;", {id});
}

void SyncLedger::purgeAccountData() {
    // All or nothing: a library left half signed out would keep the old user's cursor and
    // default workspace for the next one. The files go once the rows are gone.
    db_->transaction([&] {
        for (const auto& captureID :
             ids(db_->query("SELECT id FROM captures WHERE workspace_id IS NOT NULL;")))
            dropCapture(captureID);
        keepUnpushedGroups(std::nullopt);
        db_->execute("DELETE FROM groups WHERE workspace_id IS NOT NULL;");
        db_->execute("DELETE FROM group_members;");
        db_->execute("DELETE FROM people;");
        db_->execute("DELETE FROM workspaces;");
        db_->execute("DELETE FROM sync_meta;");
        db_->execute("DELETE FROM activity WHERE remote = 1;");
        db_->execute("DELETE FROM blob_failures;");
        store_.postChange();
    });
}

} // namespace tavro
