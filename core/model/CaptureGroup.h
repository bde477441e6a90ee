#pragma once

#include "model/BoardEnums.h"
#include "model/Time.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavro {

// A named, coloured bucket of captures, mirroring a row of the groups table.
struct CaptureGroup {
    std::string id;
    std::string name;
    std::string colorHex;            // "#RRGGBB"
    std::optional<std::string> path; // a folder the group is bound to
    Seconds createdAt = 0;
    Seconds updatedAt = 0;
    std::optional<std::string> remoteID;
    SyncState syncState = SyncState::local;
    bool dirty = false;
    std::optional<Seconds> deletedAt;
    std::optional<std::string> workspaceID;
    GroupVisibility visibility = GroupVisibility::privateGroup;
    std::optional<std::string> createdBy;
    std::optional<std::string> defaultAssigneeID;
    std::optional<Seconds> archivedAt;
    std::int64_t version = 0;

    bool operator==(const CaptureGroup&) const = default;

    // Any workspace id, even empty; groups have no local-only override.
    bool isShared() const { return workspaceID.has_value(); }
};

// One person's membership of a workspace group.
struct GroupMember {
    std::string groupID;
    std::string userID;
    std::optional<Seconds> removedAt;

    bool operator==(const GroupMember&) const = default;
};

} // namespace tavro
