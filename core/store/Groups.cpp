#include "store/CaptureStore.h"

#include "model/Text.h"
#include "model/Uuid.h"
#include "store/EnumColumn.h"

namespace tavro {

namespace {

std::vector<CaptureGroup> decodeGroups(const std::vector<Row>& rows) {
    std::vector<CaptureGroup> out;
    out.reserve(rows.size());
    for (const auto& row : rows)
        out.push_back(CaptureStore::decodeGroup(row));
    return out;
}

bool folderHolds(std::string folder, std::string_view path) {
    if (path == folder)
        return true;
    if (!folder.ends_with('/'))
        folder += '/';
    return path.starts_with(folder);
}

} // namespace

CaptureGroup CaptureStore::decodeGroup(const Row& row) {
    const Seconds fallbackTime = now();
    CaptureGroup group;
    auto id = row.string("id");
    group.id = id ? *id : makeUUID();
    group.name = row.string("name").value_or("Untitled");
    group.colorHex = row.string("color_hex").value_or("#6E7BF2");
    group.path = row.string("path");
    group.createdAt = row.date("created_at").value_or(fallbackTime);
    group.updatedAt = row.date("updated_at").value_or(fallbackTime);
    group.remoteID = row.string("remote_id");
    group.syncState = enumColumn(row, "sync_state", SyncState::local);
    group.dirty = row.boolValue("dirty");
    group.deletedAt = row.date("deleted_at");
    group.workspaceID = row.string("workspace_id");
    group.visibility = row.string("visibility") == "workspace" ? GroupVisibility::workspace
                                                               : GroupVisibility::privateGroup;
    group.createdBy = row.string("created_by");
    group.defaultAssigneeID = row.string("default_assignee_id");
    group.archivedAt = row.date("archived_at");
    group.version = row.intValue("version").value_or(0);
    return group;
}

std::vector<CaptureGroup> CaptureStore::groups() const {
    return decodeGroups(db_->query("SELECT * FROM groups WHERE deleted_at IS NULL AND archived_at "
                                   "IS NULL ORDER BY name COLLATE NOCASE;"));
}

std::optional<CaptureGroup> CaptureStore::group(std::string_view id) const {
    auto rows = db_->query("SELECT * FROM groups WHERE id = ? AND deleted_at IS NULL;", {id});
    if (rows.empty())
        return std::nullopt;
    return decodeGroup(rows.front());
}

std::optional<CaptureGroup>
CaptureStore::groupNamed(std::string_view name,
                         const std::optional<std::string>& workspaceID) const {
    return liveGroupNamed(name, workspaceID, false);
}

std::optional<CaptureGroup>
CaptureStore::archivedGroupNamed(std::string_view name,
                                 const std::optional<std::string>& workspaceID) const {
    return liveGroupNamed(name, workspaceID, true);
}

std::optional<CaptureGroup>
CaptureStore::liveGroupNamed(std::string_view name, const std::optional<std::string>& workspaceID,
                             bool archived) const {
    auto rows = db_->query(std::string("SELECT * FROM groups WHERE LOWER(name) = LOWER(?) AND "
                                       "COALESCE(workspace_id, '') = COALESCE(?, '') AND "
                                       "deleted_at IS NULL AND archived_at IS ") +
                               (archived ? "NOT NULL;" : "NULL;"),
                           {name, workspaceID});
    if (rows.empty())
        return std::nullopt;
    return decodeGroup(rows.front());
}

std::optional<CaptureGroup> CaptureStore::groupMatchingPath(std::string_view path) const {
    for (auto& group : groups())
        if (group.path && !group.path->empty() && folderHolds(*group.path, path))
            return std::move(group);
    return std::nullopt;
}

CaptureGroup CaptureStore::upsertGroup(const CaptureGroup& record) {
    // The existence and name checks and the write are one transaction, so two programs creating
    // the same group at once end with one.
    return db_->transaction([&]() -> CaptureGroup {
        CaptureGroup group = record;
        group.name = text::singleLine(group.name);
        auto stored = db_->query("SELECT workspace_id FROM groups WHERE id = ?;", {group.id});
        const bool exists = !stored.empty();
        if (exists) {
            // The row keeps its workspace whatever the record says; names clash within it.
            group.workspaceID = stored.front().string("workspace_id");
        } else {
            if (!group.workspaceID)
                group.workspaceID = defaultWorkspaceID();
            if (!group.createdBy)
                group.createdBy = currentUserID();
        }
        if (auto other = groupNamed(group.name, group.workspaceID); other && other->id != group.id)
            return *other;
        db_->execute(
            "INSERT INTO groups (id, name, color_hex, path, created_at, updated_at, remote_id, "
            "sync_state, dirty, deleted_at, workspace_id, visibility, created_by, "
            "default_assignee_id, archived_at, version, pending) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?) ON CONFLICT(id) DO UPDATE SET "
            "name = excluded.name, color_hex = excluded.color_hex, path = excluded.path, "
            "updated_at = excluded.updated_at, dirty = 1, deleted_at = excluded.deleted_at, "
            "default_assignee_id = excluded.default_assignee_id, "
            "archived_at = excluded.archived_at;",
            {group.id, group.name, group.colorHex, group.path, group.createdAt, now(),
             group.remoteID, rawValue(group.syncState), SQLValue::flag(group.dirty),
             SQLValue::date(group.deletedAt), group.workspaceID, rawValue(group.visibility),
             group.createdBy, group.defaultAssigneeID, SQLValue::date(group.archivedAt),
             group.version, nullptr});
        if (exists)
            markPending("groups", group.id, {"name", "color_hex", "archived_at"});
        else
            markPending("groups", group.id, {"*"});
        postChange();
        return group;
    });
}

void CaptureStore::deleteGroup(std::string_view id) {
    db_->transaction([&] {
        auto found = group(id);
        const Seconds time = now();
        if (found && found->isShared()) {
            db_->execute(
                "UPDATE groups SET archived_at = ?, updated_at = ?, dirty = 1 WHERE id = ?;",
                {time, time, id});
            markPending("groups", id, {"archived_at"});
        } else {
            db_->execute(
                "UPDATE groups SET deleted_at = ?, updated_at = ?, dirty = 1 WHERE id = ?;",
                {time, time, id});
        }
        postChange();
    });
}

} // namespace tavro
