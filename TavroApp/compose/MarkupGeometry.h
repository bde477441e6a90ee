#pragma once

#include "model/Annotation.h"
#include "model/Image.h"

#include <vector>

namespace tavro {

// Canvas coordinates: logical pixels of the editor's canvas, origin top-left, y down.
struct CanvasPoint {
    double x = 0;
    double y = 0;

    bool operator==(const CanvasPoint&) const = default;
};

struct CanvasRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool isEmpty() const { return !(width > 0) || !(height > 0); }
    bool operator==(const CanvasRect&) const = default;
};

// How a shape being dragged is outlined over the preview.
enum class DraftOutline { polyline, line, rectangle, ellipse };

namespace MarkupGeometry {

// Shapes need to move further than this (normalised, either axis) to be kept.
inline constexpr double minimumSpan = 0.004;

// Where the image sits inside a canvas of `width` by `height`: as large as fits, aspect kept,
// centred. The zero rectangle for a canvas without area.
CanvasRect fittedRect(double width, double height, PixelSize image);

// A canvas location as a point of the image in `frame`, each coordinate clamped to 0...1, so a
// drag that wanders off the image draws along its edge.
AnnotationPoint normalized(CanvasPoint location, const CanvasRect& frame);

// A normalised point on the canvas, relative to the frame's origin.
CanvasPoint inFrame(AnnotationPoint point, const CanvasRect& frame);

// Whether two points lie further apart than minimumSpan in x or in y.
bool spansEnough(AnnotationPoint a, AnnotationPoint b);

// The rectangle spanned by two normalised points, relative to the frame's origin.
CanvasRect spannedRect(AnnotationPoint a, AnnotationPoint b, const CanvasRect& frame);

// The outline's pen width for a shape's line width, at least one logical pixel.
double outlineWidth(double lineWidth, const CanvasRect& frame);

DraftOutline draftOutline(AnnotationTool tool);

} // namespace MarkupGeometry

} // namespace tavro
