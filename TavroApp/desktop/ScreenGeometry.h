#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <cstddef>
#include <optional>
#include <span>

namespace tavro::ScreenGeometry {

// All rectangles here are in Qt's global logical coordinates (origin top-left, y down), and
// images in pixels with the origin top-left, so no axis flips anywhere.

// The index of the screen frame that overlaps `rect` most (the first of equal areas; touching
// counts as a zero-area overlap), else of the first frame holding the rectangle's bottom-left
// corner, else nothing.
std::optional<size_t> screenHoldingMostOf(const QRectF& rect, std::span<const QRectF> frames);

// The index of the first frame that contains `point`.
std::optional<size_t> screenContaining(const QPointF& point, std::span<const QRectF> frames);

// The pixels of a screen image of `imageSize` that show `selection`, for a screen at `frame` with
// device pixel ratio `scale`: the corner rounds down, the size to the nearest pixel, and the result
// is cut to the image. Nothing when less than one pixel is left.
std::optional<QRect> cropRect(const QRectF& selection, const QRectF& frame, double scale,
                              const QSize& imageSize);

} // namespace tavro::ScreenGeometry
