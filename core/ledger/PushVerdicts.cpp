#include "ledger/SyncLedger.h"

#include "model/Wire.h"
#include "store/PushTables.h"

namespace tavro {

bool SyncLedger::markSynced(std::string_view table, const Pending& pushed,
                            std::optional<std::int64_t> version,
                            const std::optional<nlohmann::json>& record) {
    auto name = PushTables::named(table);
    if (!name)
        return false;
    // The read and the write are one transaction, so an edit from either program lands wholly
    // before or wholly after the check.
    return db_->transaction([&] {
        auto rows = db_->query("SELECT pending FROM " + *name + " WHERE id = ?;", {pushed.id});
        if (rows.empty())
            return false;
        bool unchanged = rows.front().string("pending") == pushed.mark;
        // A field edited again while its push was in flight leaves the mark as it was: only the
        // record the row yields now tells.
        if (unchanged && record) {
            std::optional<nlohmann::json> current;
            if (*name == "captures")
                current = captureChange(pushed);
            else if (*name == "groups")
                current = groupChange(pushed);
            else if (auto image = rawImage(pushed.id))
                current = imageChange(pushed, *image);
            unchanged = current == record;
        }
        if (!unchanged) {
            // The server holds the pushed values at this version; the next push builds on it.
            if (version)
                db_->execute("UPDATE " + *name + " SET version = ? WHERE id = ?;",
                             {*version, pushed.id});
            return false;
        }
        // A group sent whole went without its archive time: it would stay live on the server.
        // The archive waits for the next push, on top of the version the server just gave.
        if (record && *name == "groups" && pushed.fields.count("*") &&
            !db_->query("SELECT 1 AS one FROM groups WHERE id = ? AND archived_at IS NOT NULL;",
                        {pushed.id})
                 .empty()) {
            db_->execute("UPDATE groups SET pending = '{\"archived_at\":true}', version = "
                         "COALESCE(?, version) WHERE id = ?;",
                         {version ? SQLValue(*version) : SQLValue(), pushed.id});
            return false;
        }
        if (version)
            db_->execute("UPDATE " + *name +
                             " SET pending = NULL, sync_state = 'synced', version = ?, dirty = 0 "
                             "WHERE id = ?;",
                         {*version, pushed.id});
        else
            db_->execute("UPDATE " + *name +
                             " SET pending = NULL, sync_state = 'synced', dirty = 0 WHERE id = ?;",
                         {pushed.id});
        // The server keeps the history of synced captures; its events come back by pull.
        if (*name == "captures")
            db_->execute("DELETE FROM activity WHERE capture_id = ? AND remote = 0;", {pushed.id});
        return true;
    });
}

namespace {

// The tables whose new rows the service may refuse for good without taking their capture out
// of the workspace.
std::optional<std::string> childTable(std::string_view table) {
    if (table == "capture_images" || table == "comments")
        return std::string(table);
    return std::nullopt;
}

} // namespace

void SyncLedger::markCommentSynced(std::string_view id) {
    db_->execute("UPDATE comments SET sync_state = 'synced' WHERE id = ?;", {id});
}

void SyncLedger::keepUnsent(std::string_view table, std::string_view id) {
    auto name = childTable(table);
    if (!name)
        return;
    // A screenshot keeps its whole-row mark, so a later edit sends all of it.
    db_->execute("UPDATE " + *name + " SET sync_state = 'local' WHERE id = ?;", {id});
}

bool SyncLedger::stillPending(std::string_view table, std::string_view id) const {
    auto name = childTable(table);
    if (!name)
        name = PushTables::named(table);
    if (!name)
        return false;
    return !db_->query("SELECT 1 AS one FROM " + *name +
                           " WHERE id = ? AND sync_state = 'pendingPush';",
                       {id})
                .empty();
}

void SyncLedger::markLocalOnly(std::string_view captureID) {
    db_->transaction([&] {
        db_->execute("UPDATE captures SET workspace_id = NULL, local_only = 0, sync_state = "
                     "'local', pending = NULL WHERE id = ?;",
                     {captureID});
        db_->execute(
            "UPDATE capture_images SET sync_state = 'local', pending = NULL WHERE capture_id = ?;",
            {captureID});
        db_->execute("UPDATE comments SET sync_state = 'local' WHERE capture_id = ?;", {captureID});
    });
}

void SyncLedger::remapGroup(std::string_view from, std::string_view to) {
    if (from == to)
        return;
    if (!Wire::isID(to)) {
        log("warn", "Skipped a group remap: the server's group id is not a usable id");
        return;
    }
    db_->transaction([&] {
        if (db_->query("SELECT 1 AS one FROM groups WHERE id = ?;", {to}).empty()) {
            auto source = db_->query("SELECT deleted_at FROM groups WHERE id = ?;", {from});
            if (source.empty())
                return;
            // The canonical group has not been pulled yet: the local one becomes it. It steps
            // out of the name index first so that its copy may take the name.
            const auto deletedAt = source.front().date("deleted_at");
            db_->execute("UPDATE groups SET deleted_at = COALESCE(deleted_at, 0) WHERE id = ?;",
                         {from});
            db_->execute(
                "INSERT INTO groups (id, name, color_hex, path, created_at, updated_at, "
                "remote_id, sync_state, dirty, deleted_at, workspace_id, visibility, created_by, "
                "default_assignee_id, archived_at, version, pending) SELECT ?, name, color_hex, "
                "path, created_at, updated_at, remote_id, 'synced', 0, ?, workspace_id, "
                "visibility, created_by, default_assignee_id, archived_at, version, NULL "
                "FROM groups WHERE id = ?;",
                {to, SQLValue::date(deletedAt), from});
        }
        db_->execute("UPDATE captures SET group_id = ? WHERE group_id = ?;", {to, from});
        db_->execute("DELETE FROM groups WHERE id = ?;", {from});
    });
}

} // namespace tavro
