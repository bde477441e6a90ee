#pragma once

#include "model/Annotation.h"

#include <string>
#include <string_view>

namespace tavro::MarkupTexts {

inline constexpr std::string_view windowTitle = "Mark up screenshot";
inline constexpr std::string_view undo = "Undo";
inline constexpr std::string_view redo = "Redo";
inline constexpr std::string_view clear = "Clear all marks";
inline constexpr std::string_view cancel = "Cancel";
inline constexpr std::string_view save = "Save marks";
inline constexpr std::string_view saveKeys = "Ctrl+↩";
inline constexpr std::string_view missingTitle = "That screenshot is missing";
inline constexpr std::string_view missingPrefix = "Tavro couldn't find ";
inline constexpr std::string_view saveFailed = "Your marks couldn't be saved.";
inline constexpr std::string_view markedCopyUnwritten =
    "The marked copy of the screenshot could not be written";

// The line under the canvas for the current tool.
inline std::string hint(AnnotationTool tool) {
    switch (tool) {
    case AnnotationTool::pen:
        return "Drag to draw freehand.";
    case AnnotationTool::highlight:
        return "Drag across text to highlight it.";
    case AnnotationTool::blur:
        return "Drag over anything you don't want an agent to see — it's pixelated for real, "
               "not covered up.";
    case AnnotationTool::arrow:
    case AnnotationTool::rectangle:
    case AnnotationTool::ellipse:
        break;
    }
    std::string name(displayName(tool));
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return "Drag to place a " + name + ".";
}

// "Tavro couldn't find <file>."
inline std::string missingMessage(std::string_view file) {
    return std::string(missingPrefix) + std::string(file) + ".";
}

} // namespace tavro::MarkupTexts
