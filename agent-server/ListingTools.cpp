#include "Formatting.h"
#include "ToolArguments.h"
#include "ToolRegistry.h"
#include "store/CaptureStore.h"

#include <algorithm>
#include <map>

namespace tavro {

namespace {

constexpr std::int64_t defaultListLimit = 25;
constexpr std::int64_t maxListLimit = 200;
constexpr std::int64_t groupQueryLimit = 1000;
constexpr size_t groupTitleLines = 6;
constexpr size_t ungroupedIDs = 12;
constexpr size_t statsApps = 5;

std::vector<std::string> shortIDs(const std::vector<Capture>& captures, size_t limit) {
    std::vector<std::string> ids;
    for (size_t i = 0; i < captures.size() && i < limit; ++i)
        ids.push_back(Format::shortID(captures[i]));
    return ids;
}

std::vector<CaptureStatus> active() {
    return {activeStatuses.begin(), activeStatuses.end()};
}

template <class Map> std::int64_t countIn(const Map& map, const std::string& key) {
    auto it = map.find(key);
    return it == map.end() ? 0 : it->second;
}

} // namespace

ToolResult ToolRegistry::listCaptures(const JSON& arguments) const {
    std::vector<std::string> names;
    if (auto list = ToolArguments::stringList(arguments, "status"))
        names = *list;
    else if (auto single = ToolArguments::string(arguments, "status"))
        names = {*single};
    std::vector<CaptureStatus> statuses;
    for (const auto& name : names)
        if (auto status = fromRawValue<CaptureStatus>(name))
            statuses.push_back(*status);
    if (statuses.empty())
        statuses = active();

    CaptureQuery query;
    // Each status once: a list repeating a name thousands of times would otherwise exceed the
    // number of values one database statement can take.
    query.statuses.emplace();
    for (auto status : statuses)
        if (std::find(query.statuses->begin(), query.statuses->end(), status) ==
            query.statuses->end())
            query.statuses->push_back(status);
    query.groupName = ToolArguments::nonEmptyString(arguments, "group");
    query.tag = ToolArguments::nonEmptyString(arguments, "tag");
    query.search = ToolArguments::nonEmptyString(arguments, "search");
    if (auto priority = ToolArguments::string(arguments, "priority"))
        query.priority = fromRawValue<CapturePriority>(*priority);
    query.limit = std::clamp(ToolArguments::integer(arguments, "limit").value_or(defaultListLimit),
                             std::int64_t(1), maxListLimit);
    query.newestFirst = true;
    auto captures = store_->captures(query);

    if (captures.empty()) {
        std::vector<std::string> labels;
        for (auto status : statuses)
            labels.emplace_back(displayName(status));
        return ToolResult::text("No captures match (status: " + Format::join(labels, " / ") +
                                "). The board is clear.");
    }

    std::map<std::string, std::string> groupNames;
    for (const auto& group : store_->groups())
        groupNames.emplace(group.id, group.name);
    auto commentCounts = store_->commentCounts();
    auto imageCounts = store_->imageCounts();
    Seconds now = clock_();

    std::string text = std::to_string(captures.size()) +
                       (captures.size() == 1 ? " capture:" : " captures:") + "\n";
    for (const auto& capture : captures) {
        std::optional<std::string> groupName;
        if (capture.groupID)
            if (auto it = groupNames.find(*capture.groupID); it != groupNames.end())
                groupName = it->second;
        text += "\n" + Format::listLine(capture, groupName, store_->tags(capture.id),
                                        countIn(commentCounts, capture.id),
                                        countIn(imageCounts, capture.id), now);
    }
    text += "\n\nCall get_capture with an id to see the screenshot.";
    return ToolResult::text(std::move(text));
}

ToolResult ToolRegistry::listGroups() const {
    auto groups = store_->groups();
    CaptureQuery openQuery;
    openQuery.statuses = active();
    openQuery.limit = groupQueryLimit;
    openQuery.newestFirst = true;
    std::vector<Capture> ungrouped;
    for (auto& capture : store_->captures(openQuery))
        if (!capture.groupID)
            ungrouped.push_back(std::move(capture));
    if (groups.empty() && ungrouped.empty())
        return ToolResult::text("No groups yet, and nothing open. The board is clear.");

    std::vector<std::string> lines;
    for (const auto& group : groups) {
        CaptureQuery groupOpen = openQuery;
        groupOpen.groupID = group.id;
        auto open = store_->captures(groupOpen);
        CaptureQuery groupAll = groupOpen;
        groupAll.statuses.reset();
        auto all = store_->captures(groupAll).size();

        std::string line = Format::oneLine(group.name) + " \u2014 " + std::to_string(open.size()) +
                           " open of " + std::to_string(all);
        if (group.path && !group.path->empty())
            line += " \u00B7 bound to " + Format::oneLine(*group.path);
        lines.push_back(line);
        if (open.empty())
            continue;
        lines.push_back("    ids: " + Format::join(shortIDs(open, open.size()), ", "));
        for (size_t i = 0; i < open.size() && i < groupTitleLines; ++i)
            lines.push_back("      [" + Format::shortID(open[i]) + "] " + open[i].title());
        if (open.size() > groupTitleLines)
            lines.push_back("      \u2026and " + std::to_string(open.size() - groupTitleLines) +
                            " more");
    }
    if (!ungrouped.empty()) {
        lines.push_back("(no group) \u2014 " + std::to_string(ungrouped.size()) + " open");
        lines.push_back("    ids: " + Format::join(shortIDs(ungrouped, ungroupedIDs), ", "));
    }
    lines.push_back("");
    lines.push_back("Pass those ids to get_capture to see the screenshots, or call list_captures "
                    "with group: \"<name>\" for everything in one group.");
    return ToolResult::text(Format::join(lines, "\n"));
}

ToolResult ToolRegistry::captureStats() const {
    auto counts = store_->countsByStatus();
    auto count = [&](CaptureStatus status) {
        auto it = counts.find(status);
        return std::to_string(it == counts.end() ? 0 : it->second);
    };
    std::string text = "Open: " + count(CaptureStatus::open) +
                       "   In progress: " + count(CaptureStatus::inProgress) +
                       "   Resolved: " + count(CaptureStatus::resolved) +
                       "   Archived: " + count(CaptureStatus::archived);

    // Every active capture, however many: a capped read would misstate the oldest one.
    CaptureQuery query;
    query.statuses = active();
    query.limit = -1;
    query.newestFirst = true;
    auto open = store_->captures(query);
    if (open.empty())
        return ToolResult::text(std::move(text));

    std::map<std::string, std::int64_t> byApp;
    const Capture* oldest = nullptr;
    std::int64_t high = 0;
    for (const auto& capture : open) {
        ++byApp[capture.appName.value_or("unknown")];
        if (!oldest || capture.createdAt < oldest->createdAt)
            oldest = &capture;
        if (capture.priority == CapturePriority::high)
            ++high;
    }
    std::vector<std::pair<std::string, std::int64_t>> apps(byApp.begin(), byApp.end());
    std::stable_sort(apps.begin(), apps.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<std::string> entries;
    for (size_t i = 0; i < apps.size() && i < statsApps; ++i)
        entries.push_back(apps[i].first + " (" + std::to_string(apps[i].second) + ")");

    text += "\n\nOpen work by app: " + Format::join(entries, ", ");
    text += "\nOldest still open: [" + Format::shortID(*oldest) + "] \u201C" + oldest->title() +
            "\u201D \u2014 " + Format::relative(oldest->createdAt, clock_());
    if (high > 0)
        text += "\nHigh priority open: " + std::to_string(high);
    return ToolResult::text(std::move(text));
}

} // namespace tavro
