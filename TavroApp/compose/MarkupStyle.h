#pragma once

#include "model/Annotation.h"

#include <string>

namespace tavro {

// The three drawing choices the editor remembers between openings, as stored.
struct MarkupStyle {
    static constexpr std::string_view defaultTool = "pen";
    static constexpr int defaultWidthIndex = 1;

    std::string toolRaw{defaultTool};
    std::string colorHex{AnnotationPalette::colors[0]};
    int widthIndex = defaultWidthIndex;

    // A stored text that names no tool draws as the pen.
    AnnotationTool tool() const;
    // An index outside the widths (only hand-edited settings hold one) is the middle width.
    int effectiveWidthIndex() const;
    double lineWidth() const;
    // A blur is stored black; its colour and width are not used by the pixelation.
    std::string shapeColor() const;

    bool operator==(const MarkupStyle&) const = default;
};

} // namespace tavro
