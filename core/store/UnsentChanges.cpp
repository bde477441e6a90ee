#include "store/CaptureStore.h"

#include "store/PushTables.h"

namespace tavro {

std::int64_t CaptureStore::unsentChangeCount() const {
    // The captures the purge deletes, and what of theirs the service lacks; the groups
    // keepUnpushedGroups leaves in a workspace for the purge.
    const std::string purged = "workspace_id IS NOT NULL AND NOT " + PushTables::neverSharedCapture;
    const std::string ofPurged = "EXISTS (SELECT 1 FROM captures WHERE captures.id = capture_id "
                                 "AND " +
                                 purged + ")";
    const auto rows = db_->query(
        "SELECT (SELECT COUNT(*) FROM captures WHERE sync_state = 'pendingPush' AND " + purged +
        ") + (SELECT COUNT(*) FROM groups WHERE workspace_id IS NOT NULL AND sync_state = "
        "'pendingPush' AND NOT (" +
        std::string(PushTables::awaitingFirstPush) + " AND " + PushTables::groupNameFreeHere +
        ")) + (SELECT COUNT(*) FROM capture_images WHERE sync_state IN ('pendingPush', 'local') "
        "AND " +
        ofPurged +
        ") + (SELECT COUNT(*) FROM comments WHERE sync_state IN ('pendingPush', 'local') AND " +
        ofPurged + ") AS n;");
    return rows.empty() ? 0 : rows.front().intValue("n").value_or(0);
}

} // namespace tavro
