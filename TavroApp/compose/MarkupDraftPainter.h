#pragma once

#include "compose/MarkupGeometry.h"
#include "model/Annotation.h"

#include <QPainterPath>

class QPainter;

namespace tavro::MarkupDraftPainter {

// The outline of a shape being dragged, relative to the frame's origin.
QPainterPath outline(const AnnotationShape& shape, const CanvasRect& frame);

// Draws the outline over the preview shown in `frame`: in the shape's colour and width, or, for
// a blur, as a thin dashed white frame. Nothing for a shape without points.
void paint(QPainter& painter, const AnnotationShape& shape, const CanvasRect& frame);

} // namespace tavro::MarkupDraftPainter
