#pragma once

#include "compose/MarkupStyle.h"
#include "model/Annotation.h"

#include <memory>
#include <optional>
#include <string>

namespace tavro {

// One drag that becomes one shape. The shape keeps the tool, colour and width the drag started
// with, whatever is chosen while it runs.
class ShapeGesture {
public:
    virtual ~ShapeGesture() = default;

    virtual void moveTo(AnnotationPoint point) = 0;
    // The shape to commit when the drag ends here, or nothing when it is too small to keep.
    virtual std::optional<AnnotationShape> finish() const = 0;
    const AnnotationShape& shape() const { return shape_; }

protected:
    ShapeGesture(const MarkupStyle& style, std::string id, AnnotationPoint start,
                 AnnotationPoint current);
    AnnotationShape shape_;
};

// The pen: every position is a point of the stroke; a click without movement is a dot.
class FreehandGesture final : public ShapeGesture {
public:
    FreehandGesture(const MarkupStyle& style, std::string id, AnnotationPoint start,
                    AnnotationPoint current);
    void moveTo(AnnotationPoint point) override;
    std::optional<AnnotationShape> finish() const override;
};

// Arrow, box, circle, highlighter and blur: spanned from the start to the latest position.
class SpanGesture final : public ShapeGesture {
public:
    SpanGesture(const MarkupStyle& style, std::string id, AnnotationPoint start,
                AnnotationPoint current);
    void moveTo(AnnotationPoint point) override;
    std::optional<AnnotationShape> finish() const override;
};

std::unique_ptr<ShapeGesture> beginGesture(const MarkupStyle& style, std::string id,
                                           AnnotationPoint start, AnnotationPoint current);

} // namespace tavro
