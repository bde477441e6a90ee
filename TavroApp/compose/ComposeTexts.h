#pragma once

#include <QString>

// The note box's own words.
namespace tavro::ComposeTexts {

inline QString windowTitle() {
    return QStringLiteral("Tavro Note");
}
inline QString noScreenshot() {
    return QStringLiteral("No screenshot");
}
inline QString noScreenshotDetail() {
    return QStringLiteral("Just the note. You can add one now, or later from the board.");
}
inline QString addScreenshot() {
    return QStringLiteral("Add screenshot");
}
inline QString addScreenshotHelp() {
    return QStringLiteral("Take a screenshot for this issue");
}
inline QString clickToMarkUp() {
    return QStringLiteral("Click to mark up");
}
inline QString add() {
    return QStringLiteral("Add");
}
inline QString addHelp() {
    return QStringLiteral("Take another screenshot for this same capture");
}
inline QString notePlaceholder(bool hasScreenshot) {
    return hasScreenshot ? QStringLiteral("What's wrong here?")
                         : QStringLiteral("What's the issue?");
}
inline QString unknownApp() {
    return QStringLiteral("Unknown app");
}
inline QString separator() {
    return QStringLiteral("·");
}
inline QString noGroup() {
    return QStringLiteral("No group");
}
inline QString newGroup() {
    return QStringLiteral("New group…");
}
inline QString groupNamePlaceholder() {
    return QStringLiteral("Group name");
}
inline QString tagsPlaceholder() {
    return QStringLiteral("tags, comma separated");
}
inline QString discard() {
    return QStringLiteral("Discard");
}
inline QString saveToBoard() {
    return QStringLiteral("Save to board");
}
// The key hint beside "Save to board": Ctrl stands where the Command glyph would.
inline QString saveKeys() {
    return QStringLiteral("Ctrl+↩");
}

} // namespace tavro::ComposeTexts
