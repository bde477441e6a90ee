#pragma once

#include "board/LibraryFilter.h"
#include "ui/Icons.h"

#include <QString>

namespace tavro {

// What an empty board says: chosen by the filter, or by a search, which wins over every filter.
struct EmptyStateContent {
    QString title;
    // The magnifying glass, the viewfinder, the outlined check or the outlined archive box.
    Icon symbol = Icon::viewfinder;
    QString message;
    // Only the empty inbox teaches the capture shortcut.
    bool showsShortcutHint = false;

    bool operator==(const EmptyStateContent&) const = default;
};

EmptyStateContent emptyStateContent(const LibraryFilter& filter, bool isSearching);

namespace EmptyStateTexts {
inline constexpr const char* press = "Press";
inline constexpr const char* anywhereToCapture = "anywhere to capture";
inline constexpr const char* pressTwice =
    "Press it twice for an issue with no screenshot — just the note.";
} // namespace EmptyStateTexts

} // namespace tavro
