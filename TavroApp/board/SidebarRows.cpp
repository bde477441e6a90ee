#include "board/SidebarRows.h"

#include "library/Library.h"
#include "ui/PlatformTexts.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace tavro {

namespace {

std::int64_t countOf(const std::map<CaptureStatus, std::int64_t>& counts, CaptureStatus status) {
    const auto found = counts.find(status);
    return found == counts.end() ? 0 : found->second;
}

std::string visibilityHelp(const CaptureGroup& group) {
    if (!group.workspaceID)
        return std::string(PlatformTexts::onlyOnThisComputer);
    if (group.visibility == GroupVisibility::privateGroup)
        return "Private group \u2014 visible to its members";
    return "Visible to the whole workspace";
}

} // namespace

SidebarSource SidebarSource::of(const Library& library) {
    return {library.captures(),          library.groups(),        library.counts(),
            library.allTags(),           library.currentUserID(), library.openCount(),
            library.assignedToMeCount(), &library.tagUses(),      &library.state()->activeByGroup,
            library.captureCount(),      library.loading()};
}

SidebarRows sidebarRows(const SidebarSource& source) {
    SidebarRows rows;
    rows.library.push_back({LibraryFilter::inbox(), source.openCount, Theme::accent});
    if (source.currentUserID) {
        rows.library.push_back(
            {LibraryFilter::assignedToMe(), source.assignedToMeCount, Theme::accent});
        rows.library.push_back({LibraryFilter::mine(), 0, Theme::textSecondary});
    }
    const std::pair<CaptureStatus, DynamicColor> statuses[] = {
        {CaptureStatus::open, Theme::statusOpen},
        {CaptureStatus::inProgress, Theme::statusInProgress},
        {CaptureStatus::resolved, Theme::statusResolved},
        {CaptureStatus::archived, Theme::statusArchived},
    };
    for (const auto& [status, tint] : statuses)
        rows.library.push_back(
            {LibraryFilter::status(status), countOf(source.counts, status), tint});
    rows.library.push_back({LibraryFilter::everything(),
                            source.captureCount ? *source.captureCount
                                                : static_cast<std::int64_t>(source.captures.size()),
                            Theme::textSecondary});

    // The groups' badges, once the board is read whole.
    std::unordered_map<std::string_view, std::int64_t> counted;
    if (!source.activeByGroup && !source.groups.empty() && !source.loading)
        for (const BoardCapture& capture : source.captures)
            if (capture.groupID && isActive(capture.status))
                ++counted[*capture.groupID];
    const auto activeIn = [&](const std::string& id) -> std::int64_t {
        if (source.loading)
            return 0;
        if (source.activeByGroup) {
            const auto found = source.activeByGroup->find(id);
            return found == source.activeByGroup->end() ? 0 : found->second;
        }
        const auto found = counted.find(id);
        return found == counted.end() ? 0 : found->second;
    };
    for (const CaptureGroup& group : source.groups)
        rows.groups.push_back({LibraryFilter::group(group.id), group, activeIn(group.id),
                               visibilityHelp(group),
                               group.workspaceID ? "Archive group" : "Delete group"});
    std::vector<const std::string*> tags;
    tags.reserve(source.tags.size());
    for (const std::string& tag : source.tags)
        tags.push_back(&tag);
    if (source.tagUses && tags.size() > SidebarRows::tagLimit) {
        const auto& uses = *source.tagUses;
        const auto usesOf = [&uses](const std::string& tag) {
            const auto found = uses.find(tag);
            return found == uses.end() ? std::int64_t(0) : found->second;
        };
        std::stable_sort(tags.begin(), tags.end(), [&usesOf](const auto* a, const auto* b) {
            return usesOf(*a) > usesOf(*b);
        });
    }
    if (tags.size() > SidebarRows::tagLimit) {
        rows.moreTags = tags.size() - SidebarRows::tagLimit;
        tags.resize(SidebarRows::tagLimit);
    }
    for (const std::string* tag : tags)
        rows.tags.push_back({LibraryFilter::tag(*tag), *tag});
    return rows;
}

} // namespace tavro
