#pragma once

#include <string>
#include <string_view>

namespace tavro::PaneTexts {

// The words of the capture detail pane: its frame, header, screenshots and the sections of its
// side column. "Show in Folder" is the desktop's, in PlatformTexts.

inline constexpr std::string_view deleted = "This capture was deleted.";
inline constexpr std::string_view backToBoard = "Back to board";
inline constexpr std::string_view unknownApp = "Unknown app";
inline constexpr std::string_view separator = "\u00B7";
inline constexpr std::string_view actualSize = "Actual size";
inline constexpr std::string_view fitToWindow = "Fit to window";
inline constexpr std::string_view copyImage = "Copy image";
inline constexpr std::string_view deleteCapture = "Delete capture";

inline constexpr std::string_view noScreenshot = "No screenshot";
inline constexpr std::string_view noScreenshotMessage =
    "This issue was filed as text. Add a screenshot and it shows up here, on the card, and for "
    "your agent.";
inline constexpr std::string_view addScreenshot = "Add screenshot";
inline constexpr std::string_view markUp = "Mark up";
inline constexpr std::string_view editMarks = "Edit marks";

inline constexpr std::string_view status = "Status";
inline constexpr std::string_view assignee = "Assignee";
inline constexpr std::string_view filedBy = "Filed by ";
inline constexpr std::string_view claimedBy = "Claimed by ";
inline constexpr std::string_view priority = "Priority";
inline constexpr std::string_view noGroup = "No group";

inline constexpr std::string_view note = "Note";
inline constexpr std::string_view notePlaceholder = "What's wrong here?";
inline constexpr std::string_view noteNotSaved = "The note isn't saved yet; your text is kept.";
inline constexpr std::string_view tags = "Tags";
inline constexpr std::string_view tagsPlaceholder = "comma separated";
inline constexpr std::string_view commentPlaceholder = "Add a comment\u2026";
inline constexpr std::string_view post = "Post";
// After the author of a comment that kept an edit which crossed another one.
inline constexpr std::string_view conflictSuffix = " \u2014 edited at the same time; kept here";
inline constexpr std::string_view history = "History";

inline std::string comments(int count) {
    return count == 0 ? std::string("Comments") : "Comments (" + std::to_string(count) + ")";
}

} // namespace tavro::PaneTexts
