#pragma once

#include "board/CaptureFilterEngine.h"
#include "board/LibraryFilter.h"
#include "library/CaptureList.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "ui/Theme.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class Library;

// What the sidebar lists, read from the facade's published values each time it is built.
struct SidebarSource {
    const CaptureList& captures;
    const std::vector<CaptureGroup>& groups;
    const std::map<CaptureStatus, std::int64_t>& counts;
    const std::vector<std::string>& tags;
    const std::optional<std::string>& currentUserID;
    std::int64_t openCount;
    std::int64_t assignedToMeCount;
    // How many live captures carry each tag, to list the most used first; none keeps `tags`'
    // order.
    const std::map<std::string, std::int64_t>* tagUses = nullptr;
    // Open and in-progress captures per group id; none counts them in `captures`.
    const std::map<std::string, std::int64_t, std::less<>>* activeByGroup = nullptr;
    // Live captures; none counts `captures`.
    std::optional<std::int64_t> captureCount;
    // While `captures` holds only the newest captures: the groups' badges wait for the rest.
    bool loading = false;

    static SidebarSource of(const Library& library);
};

// One row of the library section: a filter with its tint and count.
struct SidebarFilterRow {
    LibraryFilter filter;
    std::int64_t count = 0; // shown as a badge only above 0
    DynamicColor tint;
};

struct SidebarGroupRow {
    LibraryFilter filter;
    CaptureGroup group;
    std::int64_t count = 0;  // its open and in-progress captures
    std::string help;        // who can see the group
    std::string removeTitle; // "Archive group" for a workspace group, else "Delete group"
};

struct SidebarTagRow {
    LibraryFilter filter;
    std::string name;
};

struct SidebarRows {
    // Past this many tags the sidebar lists the most used ones; search finds every tag.
    static constexpr std::size_t tagLimit = 30;

    std::vector<SidebarFilterRow> library;
    std::vector<SidebarGroupRow> groups;
    std::vector<SidebarTagRow> tags; // the Tags section shows only while this is not empty
    std::size_t moreTags = 0;        // tags left out of `tags`
};

SidebarRows sidebarRows(const SidebarSource& source);

} // namespace tavro
