#pragma once

#include "board/LibraryFilter.h"

#include <functional>
#include <optional>
#include <string>

namespace tavro {

// The sidebar's hold on the board's filter. It is never empty: a list that tries to clear
// its selection is ignored, and removing the selected group falls back to the inbox.
class SidebarSelection {
public:
    const LibraryFilter& current() const { return current_; }

    // Whether the selection changed; an absent filter changes nothing.
    bool select(const std::optional<LibraryFilter>& filter);

    // Runs `remove` (archive or delete) on the group, then, whatever came of it, moves a
    // selection of that very group (same id, exactly) to the inbox. Whether it moved.
    bool removeGroup(const std::string& groupID,
                     const std::function<void(const std::string&)>& remove);

private:
    LibraryFilter current_;
};

} // namespace tavro
