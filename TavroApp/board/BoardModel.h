#pragma once

#include "board/LibraryFilter.h"
#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "ui/AssigneeMenu.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// The line under the board's title: how many captures are shown, and in the inbox how many
// of them wait or are of high priority.
std::string boardSubtitle(const LibraryFilter& filter, const std::vector<Capture>& visible);
// The same from how many captures are shown and how many of them are high priority.
std::string boardSubtitle(const LibraryFilter& filter, std::size_t shown, std::size_t highPriority);

// One item of a capture's context menu on the board.
struct CaptureMenuItem {
    enum class Action { open, showInFolder, assignTo, divider, markResolved, remove };

    Action action = Action::open;
    std::string title;
    bool destructive = false;
    // showInFolder: the cover screenshot's file.
    std::optional<std::filesystem::path> file;
    // assignTo: the submenu.
    std::vector<AssigneeEntry> assignees;

    bool operator==(const CaptureMenuItem&) const = default;
};

// The items in order, each only when it applies: "Show in Folder" for a capture with a cover
// screenshot inside the library (a stored path may come from another program), "Assign to"
// with someone signed in, "Mark resolved" unless resolved.
std::vector<CaptureMenuItem> captureMenuItems(const Capture& capture,
                                              const std::optional<std::string>& currentUserID,
                                              const std::vector<Person>& people);

namespace BoardTexts {
inline constexpr const char* open = "Open";
inline constexpr const char* assignTo = "Assign to";
inline constexpr const char* unassigned = "Unassigned";
// Alerts over the board when a change of a capture fails; the reason follows.
inline constexpr const char* resolveFailed = "Tavro couldn't mark that capture resolved";
inline constexpr const char* deleteFailed = "Tavro couldn't delete that capture";
inline constexpr const char* assignFailed = "Tavro couldn't assign that capture";
inline constexpr const char* showFailed = "Tavro couldn't show that screenshot";
inline constexpr const char* fileMissing = "The file is missing: ";
inline constexpr const char* nothingOpened =
    "No file manager answered, and the folder could not be opened: ";
} // namespace BoardTexts

} // namespace tavro
