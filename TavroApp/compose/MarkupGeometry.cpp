#include "compose/MarkupGeometry.h"

#include <algorithm>
#include <cmath>

namespace tavro::MarkupGeometry {

CanvasRect fittedRect(double width, double height, PixelSize image) {
    if (!(width > 0) || !(height > 0))
        return {};
    const double viewAspect = width / height;
    const double imageAspect = double(image.width) / std::max(double(image.height), 1.0);
    double fittedWidth = width;
    double fittedHeight = height;
    if (imageAspect >= viewAspect)
        fittedHeight = imageAspect > 0 ? width / imageAspect : 0;
    else
        fittedWidth = height * imageAspect;
    return {(width - fittedWidth) / 2, (height - fittedHeight) / 2, fittedWidth, fittedHeight};
}

AnnotationPoint normalized(CanvasPoint location, const CanvasRect& frame) {
    if (frame.isEmpty())
        return {};
    return {std::clamp((location.x - frame.x) / frame.width, 0.0, 1.0),
            std::clamp((location.y - frame.y) / frame.height, 0.0, 1.0)};
}

CanvasPoint inFrame(AnnotationPoint point, const CanvasRect& frame) {
    return {point.x * frame.width, point.y * frame.height};
}

bool spansEnough(AnnotationPoint a, AnnotationPoint b) {
    return std::abs(b.x - a.x) > minimumSpan || std::abs(b.y - a.y) > minimumSpan;
}

CanvasRect spannedRect(AnnotationPoint a, AnnotationPoint b, const CanvasRect& frame) {
    const CanvasPoint p = inFrame(a, frame);
    const CanvasPoint q = inFrame(b, frame);
    return {std::min(p.x, q.x), std::min(p.y, q.y), std::abs(q.x - p.x), std::abs(q.y - p.y)};
}

double outlineWidth(double lineWidth, const CanvasRect& frame) {
    return std::max(lineWidth * std::max(frame.width, frame.height), 1.0);
}

DraftOutline draftOutline(AnnotationTool tool) {
    switch (tool) {
    case AnnotationTool::pen:
    case AnnotationTool::highlight:
        return DraftOutline::polyline;
    case AnnotationTool::arrow:
        return DraftOutline::line;
    case AnnotationTool::rectangle:
    case AnnotationTool::blur:
        return DraftOutline::rectangle;
    case AnnotationTool::ellipse:
        return DraftOutline::ellipse;
    }
    return DraftOutline::polyline;
}

} // namespace tavro::MarkupGeometry
