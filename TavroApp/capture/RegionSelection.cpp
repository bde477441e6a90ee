#include "capture/RegionSelection.h"

#include <algorithm>
#include <cmath>

namespace tavro {

void RegionSelection::reset(const QPointF& cursor) {
    anchor_.reset();
    current_.reset();
    cursor_ = cursor;
    hasDragged_ = false;
}

void RegionSelection::beginDrag(const QPointF& point) {
    anchor_ = current_ = cursor_ = point;
    hasDragged_ = false;
}

void RegionSelection::updateDrag(const QPointF& point) {
    current_ = cursor_ = point;
    hasDragged_ = true;
}

std::optional<QRectF> RegionSelection::selection() const {
    if (!anchor_ || !current_)
        return std::nullopt;
    return QRectF(
        QPointF(std::min(anchor_->x(), current_->x()), std::min(anchor_->y(), current_->y())),
        QSizeF(std::abs(anchor_->x() - current_->x()), std::abs(anchor_->y() - current_->y())));
}

std::optional<QRectF> RegionSelection::endDrag() {
    std::optional<QRectF> result;
    if (hasDragged_)
        if (auto rect = selection();
            rect && rect->width() >= minimumSize && rect->height() >= minimumSize)
            result = rect;
    anchor_.reset();
    current_.reset();
    hasDragged_ = false;
    return result;
}

namespace {

QRect outward(const QRectF& rect, double by) {
    return rect.adjusted(-by, -by, by, by).toAlignedRect();
}

// The band along the edge that the outline and the handles cover.
QRegion edgeBand(const QRectF& selection) {
    using SelectionLayout::edgeReach;
    QRegion band(outward(selection, edgeReach));
    const QRectF inner = selection.adjusted(edgeReach, edgeReach, -edgeReach, -edgeReach);
    if (inner.width() > 2 && inner.height() > 2) {
        const QPoint topLeft(int(std::ceil(inner.left())), int(std::ceil(inner.top())));
        const QPoint bottomRight(int(std::floor(inner.right())), int(std::floor(inner.bottom())));
        band -= QRegion(QRect(topLeft, bottomRight - QPoint(1, 1)));
    }
    return band;
}

QRegion guideLines(const QPointF& cursor, const QRectF& bounds) {
    const QRect all = bounds.toAlignedRect();
    const int x = int(std::floor(cursor.x()));
    const int y = int(std::floor(cursor.y()));
    return QRegion(QRect(x - 1, all.top(), 3, all.height())) +
           QRegion(QRect(all.left(), y - 1, all.width(), 3));
}

QRegion clearArea(const std::optional<QRectF>& selection) {
    return selection ? QRegion(selection->toAlignedRect()) : QRegion();
}

} // namespace

namespace SelectionLayout {

QRegion changedArea(const OverlayMarks& before, const OverlayMarks& after, const QRectF& bounds) {
    if (before == after)
        return {};
    QRegion area = clearArea(before.selection).xored(clearArea(after.selection));
    if (before.selection != after.selection)
        for (const auto& selection : {before.selection, after.selection})
            if (selection)
                area += edgeBand(*selection);
    if (before.badge != after.badge)
        for (const auto& badge : {before.badge, after.badge})
            if (badge)
                area += outward(*badge, 1);
    if (before.guides != after.guides)
        for (const auto& guides : {before.guides, after.guides})
            if (guides)
                area += guideLines(*guides, bounds);
    if (before.hint != after.hint)
        for (const auto& hint : {before.hint, after.hint})
            if (hint)
                area += outward(*hint, 1);
    return area.intersected(bounds.toAlignedRect());
}

QString hintText() {
    return QStringLiteral("Drag to select    ␣ full screen    ⎋ cancel");
}

QString sizeText(const QRectF& selection, double scale) {
    const auto width = static_cast<long long>(std::trunc(scale * selection.width()));
    const auto height = static_cast<long long>(std::trunc(scale * selection.height()));
    return QStringLiteral("%1 × %2").arg(width).arg(height);
}

double badgeScale(const QRectF& selection, std::span<const QRectF> frames,
                  std::span<const double> scales, double fallback) {
    double scale = fallback;
    double best = 0;
    for (size_t i = 0; i < frames.size() && i < scales.size(); ++i) {
        const QRectF overlap = frames[i].intersected(selection);
        const double area = overlap.width() * overlap.height();
        if (!overlap.isEmpty() && area > best) {
            best = area;
            scale = scales[i];
        }
    }
    return scale;
}

QRectF badgeRect(const QRectF& selection, const QRectF& bounds, const QSizeF& badge) {
    double y = selection.bottom() + 8;
    if (y + badge.height() > bounds.bottom() - 4)
        y = selection.top() - 8 - badge.height();
    double x = selection.center().x() - badge.width() / 2;
    x = std::max(bounds.left() + 4, std::min(bounds.right() - badge.width() - 4, x));
    y = std::max(bounds.top() + 4, std::min(bounds.bottom() - badge.height() - 4, y));
    return {QPointF(x, y), badge};
}

QRectF hintRect(const QRectF& bounds, const QSizeF& box) {
    return {QPointF(bounds.center().x() - box.width() / 2, bounds.bottom() - 64 - box.height()),
            box};
}

} // namespace SelectionLayout

} // namespace tavro
