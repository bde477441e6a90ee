#include "compose/MarkupDraftPainter.h"

#include "ui/Theme.h"
#include "values/Utf8.h"

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

QPen outlinePen(const AnnotationShape& shape, const CanvasRect& frame) {
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
    return pen;
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
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(frame.x, frame.y);
    painter.setPen(outlinePen(shape, frame));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline(shape, frame));
    painter.restore();
}

void Layer::update(const AnnotationShape& shape, const CanvasRect& frame, double ratio) {
    const bool appendsOnly = shape.tool == AnnotationTool::pen;
    if (image_.isNull() || shape.id != shapeID_ || frame != frame_ || ratio != ratio_ ||
        !appendsOnly || shape.points.size() < drawn_) {
        const QSize size(std::max(1, qRound(frame.width * ratio)),
                         std::max(1, qRound(frame.height * ratio)));
        if (image_.size() != size)
            image_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        image_.setDevicePixelRatio(ratio);
        image_.fill(Qt::transparent);
        shapeID_ = shape.id;
        frame_ = frame;
        ratio_ = ratio;
        drawn_ = 0;
    }
    if (shape.points.empty())
        return;
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing);
    const CanvasRect origin{0, 0, frame.width, frame.height};
    if (!appendsOnly) {
        MarkupDraftPainter::paint(painter, shape, origin);
        return;
    }
    painter.setPen(outlinePen(shape, frame));
    for (size_t i = std::max<size_t>(drawn_, 1); i < shape.points.size(); ++i)
        painter.drawLine(at(shape.points[i - 1], frame), at(shape.points[i], frame));
    drawn_ = shape.points.size();
}

void Layer::reset() {
    shapeID_.clear();
    drawn_ = 0;
    image_ = QImage();
}

void Layer::paint(QPainter& painter) const {
    if (!image_.isNull())
        painter.drawImage(QRectF(frame_.x, frame_.y, frame_.width, frame_.height), image_);
}

} // namespace tavro::MarkupDraftPainter
