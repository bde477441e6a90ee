#include "board/SidebarSelection.h"

namespace tavro {

bool SidebarSelection::select(const std::optional<LibraryFilter>& filter) {
    if (!filter || *filter == current_)
        return false;
    current_ = *filter;
    return true;
}

bool SidebarSelection::removeGroup(const std::string& groupID,
                                   const std::function<void(const std::string&)>& remove) {
    remove(groupID);
    if (current_.kind() != LibraryFilter::Kind::group || current_.text() != groupID)
        return false;
    current_ = LibraryFilter::inbox();
    return true;
}

} // namespace tavro
