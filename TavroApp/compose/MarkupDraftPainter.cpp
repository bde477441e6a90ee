#include "compose/MarkupDraftPainter.h"

#include "shell/Theme.h"
#include "shell/Utf8.h"

#include <QPainter>

namespace tavro::MarkupDraftPainter {

namespace {

QPointF at(AnnotationPoint point, const CanvasRect& frame) {
    const CanvasPoint p = MarkupGeometry::inFrame(point, frame);
    return {p.x, p.y};
}

QRectF spanned(const AnnotationShape& shape, const CanvasRect& frame) {
    const CanvasRect r =
        MarkupGeometry::spannedRect(shape.points.front(), shape.points.back(), frame);
    return {r.x, r.y, r.width, r.height};
}

} // namespace

QPainterPath outline(const AnnotationShape& shape, const CanvasRect& frame) {
    QPainterPath path;
    if (shape.points.empty())
        return path;
    switch (MarkupGeometry::draftOutline(shape.tool)) {
    case DraftOutline::polyline:
        path.reserve(int(shape.points.size()));
        path.moveTo(at(shape.points.front(), frame));
        for (size_t i = 1; i < shape.points.size(); ++i)
            path.lineTo(at(shape.points[i], frame));
        break;
    case DraftOutline::line:
        path.moveTo(at(shape.points.front(), frame));
        path.lineTo(at(shape.points.back(), frame));
        break;
    case DraftOutline::rectangle:
        path.addRect(spanned(shape, frame));
        break;
    case DraftOutline::ellipse:
        path.addEllipse(spanned(shape, frame));
        break;
    }
    return path;
}

void paint(QPainter& painter, const AnnotationShape& shape, const CanvasRect& frame) {
    if (shape.points.empty())
        return;
    QPen pen;
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (shape.tool == AnnotationTool::blur) {
        pen.setColor(Qt::white);
        pen.setWidthF(1.5);
        // Qt measures dashes in pen widths.
        pen.setDashPattern({5 / 1.5, 4 / 1.5});
    } else {
        pen.setColor(colorFromHexString(toQString(shape.colorHex)));
        pen.setWidthF(MarkupGeometry::outlineWidth(shape.lineWidth, frame));
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(frame.x, frame.y);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline(shape, frame));
    painter.restore();
}

} // namespace tavro::MarkupDraftPainter
