#include "compose/MarkupStyle.h"

namespace tavro {

AnnotationTool MarkupStyle::tool() const {
    return annotationToolFromRawValue(toolRaw).value_or(AnnotationTool::pen);
}

int MarkupStyle::effectiveWidthIndex() const {
    return widthIndex >= 0 && widthIndex < int(AnnotationPalette::widths.size())
               ? widthIndex
               : defaultWidthIndex;
}

double MarkupStyle::lineWidth() const {
    return AnnotationPalette::widths[size_t(effectiveWidthIndex())].value;
}

std::string MarkupStyle::shapeColor() const {
    return tool() == AnnotationTool::blur ? std::string("#000000") : colorHex;
}

} // namespace tavro
