#include "desktop/ScreenGeometry.h"

#include <algorithm>
#include <cmath>

namespace tavro::ScreenGeometry {

namespace {

// The overlap of two rectangles; nothing when they are apart. Rectangles that only touch give
// an overlap of zero area.
std::optional<QRectF> overlap(const QRectF& a, const QRectF& b) {
    const double left = std::max(a.left(), b.left());
    const double top = std::max(a.top(), b.top());
    const double right = std::min(a.right(), b.right());
    const double bottom = std::min(a.bottom(), b.bottom());
    if (right < left || bottom < top)
        return std::nullopt;
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

bool contains(const QRectF& frame, const QPointF& point) {
    return point.x() >= frame.left() && point.x() < frame.right() && point.y() >= frame.top() &&
           point.y() < frame.bottom();
}

} // namespace

std::optional<size_t> screenHoldingMostOf(const QRectF& rect, std::span<const QRectF> frames) {
    std::optional<size_t> best;
    double bestArea = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        auto shared = overlap(frames[i], rect);
        if (!shared)
            continue;
        const double area = shared->width() * shared->height();
        if (!best || area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    if (best)
        return best;
    return screenContaining(rect.bottomLeft(), frames);
}

std::optional<size_t> screenContaining(const QPointF& point, std::span<const QRectF> frames) {
    for (size_t i = 0; i < frames.size(); ++i) {
        if (contains(frames[i], point))
            return i;
    }
    return std::nullopt;
}

std::optional<QRect> cropRect(const QRectF& selection, const QRectF& frame, double scale,
                              const QSize& imageSize) {
    const double x = std::floor(scale * (selection.left() - frame.left()));
    const double y = std::floor(scale * (selection.top() - frame.top()));
    const double width = std::round(scale * selection.width());
    const double height = std::round(scale * selection.height());
    auto cut =
        overlap(QRectF(x, y, width, height), QRectF(0, 0, imageSize.width(), imageSize.height()));
    if (!cut || cut->width() < 1 || cut->height() < 1)
        return std::nullopt;
    return cut->toAlignedRect();
}

} // namespace tavro::ScreenGeometry
