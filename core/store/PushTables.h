#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavro::PushTables {

// The tables whose rows carry a pending mark. Only these names are ever spliced into a
// statement; any other name reads as none.
std::optional<std::string> named(std::string_view table);

// SQL that is true for a row waiting for its first push: pending, and marked whole.
inline constexpr std::string_view awaitingFirstPush =
    "(sync_state = 'pendingPush' AND CASE WHEN json_valid(pending) THEN "
    "json_type(pending, '$.\"*\"') END IS NOT NULL)";

// SQL over a captures row that is true while the service does not have the capture: it is in no
// workspace, kept on this computer, or still waiting for its first push. Its screenshots and
// comments wait for it.
inline constexpr std::string_view captureNotOnService =
    "(workspace_id IS NULL OR local_only = 1 OR (sync_state = 'pendingPush' AND CASE WHEN "
    "json_valid(pending) THEN json_type(pending, '$.\"*\"') END IS NOT NULL))";

// SQL over a captures row that is true while the capture was never shared: signing out keeps it.
inline const std::string neverSharedCapture =
    "(sync_state = 'local' OR local_only = 1 OR " + std::string(awaitingFirstPush) + ")";

// SQL over a groups row that is true while its name is free among the local groups, so it can
// become one of them.
inline const std::string groupNameFreeHere =
    "NOT EXISTS (SELECT 1 FROM groups g WHERE COALESCE(g.workspace_id, '') = '' AND "
    "g.name = groups.name AND g.deleted_at IS NULL AND g.id != groups.id)";

} // namespace tavro::PushTables
