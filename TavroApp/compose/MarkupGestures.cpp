#include "compose/MarkupGestures.h"

#include "compose/MarkupGeometry.h"

namespace tavro {

ShapeGesture::ShapeGesture(const MarkupStyle& style, std::string id, AnnotationPoint start,
                           AnnotationPoint current)
    : shape_{std::move(id), style.tool(), style.shapeColor(), style.lineWidth(), {start, current}} {
}

FreehandGesture::FreehandGesture(const MarkupStyle& style, std::string id, AnnotationPoint start,
                                 AnnotationPoint current)
    : ShapeGesture(style, std::move(id), start, current) {}

void FreehandGesture::moveTo(AnnotationPoint point) {
    shape_.points.push_back(point);
}

std::optional<AnnotationShape> FreehandGesture::finish() const {
    if (shape_.points.size() < 2)
        return std::nullopt;
    return shape_;
}

SpanGesture::SpanGesture(const MarkupStyle& style, std::string id, AnnotationPoint start,
                         AnnotationPoint current)
    : ShapeGesture(style, std::move(id), start, current) {}

void SpanGesture::moveTo(AnnotationPoint point) {
    shape_.points = {shape_.points.front(), point};
}

std::optional<AnnotationShape> SpanGesture::finish() const {
    if (shape_.points.size() < 2 ||
        !MarkupGeometry::spansEnough(shape_.points[0], shape_.points[1]))
        return std::nullopt;
    return shape_;
}

std::unique_ptr<ShapeGesture> beginGesture(const MarkupStyle& style, std::string id,
                                           AnnotationPoint start, AnnotationPoint current) {
    if (style.tool() == AnnotationTool::pen)
        return std::make_unique<FreehandGesture>(style, std::move(id), start, current);
    return std::make_unique<SpanGesture>(style, std::move(id), start, current);
}

} // namespace tavro
