#pragma once

#include "compose/MarkupGeometry.h"
#include "model/Annotation.h"

#include <QImage>
#include <QPainterPath>

#include <string>

class QPainter;

namespace tavro::MarkupDraftPainter {

// The outline of a shape being dragged, relative to the frame's origin.
QPainterPath outline(const AnnotationShape& shape, const CanvasRect& frame);

// Draws the outline over the preview shown in `frame`: in the shape's colour and width, or, for
// a blur, as a thin dashed white frame. Nothing for a shape without points.
void paint(QPainter& painter, const AnnotationShape& shape, const CanvasRect& frame);

// The outline of the shape being dragged, kept as a picture of the frame's size, so that a pen
// stroke of thousands of points costs one new segment per mouse move instead of the whole path.
// Opaque round-capped segments drawn one after another look the same as the one polyline.
class Layer {
public:
    // Brings the picture in line with `shape` over `frame` at `ratio` device pixels per logical
    // pixel.
    void update(const AnnotationShape& shape, const CanvasRect& frame, double ratio);
    void reset();
    // Draws the picture at the frame's place.
    void paint(QPainter& painter) const;

private:
    QImage image_;
    std::string shapeID_;
    CanvasRect frame_;
    double ratio_ = 0;
    size_t drawn_ = 0;
};

} // namespace tavro::MarkupDraftPainter
