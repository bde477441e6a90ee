#pragma once

#include "model/BoardEnums.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// The filter of the board's capture listing. An absent filter imposes no condition; an empty
// status list, an empty tag or group name, and a blank search count as absent. Only live
// captures are ever listed, ordered by priority and then by creation time.
struct CaptureQuery {
    std::optional<std::vector<CaptureStatus>> statuses;
    std::optional<std::string> groupID;
    std::optional<std::string> groupName;
    std::optional<std::string> tag;
    std::optional<std::string> search;
    std::optional<CapturePriority> priority;
    std::optional<std::string> workspaceID;
    std::optional<std::string> assigneeID;
    std::optional<std::string> authorID; // also matches captures without an author
    std::int64_t limit = 0;              // negative: no limit
    std::int64_t offset = 0;
    bool newestFirst = false;
};

} // namespace tavro
