#pragma once

#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <QString>

#include <optional>
#include <span>

namespace tavro {

// The drag state of the selection overlay and the placement of what it draws, in Qt's global
// logical coordinates (origin top-left, y down). No window needed.
class RegionSelection {
public:
    static constexpr double minimumSize = 4;

    void reset(const QPointF& cursor);
    void beginDrag(const QPointF& point);
    void updateDrag(const QPointF& point);
    // The rectangle of a drag of at least 4 × 4 points; nothing for a click or a smaller drag.
    // Clears the drag either way.
    std::optional<QRectF> endDrag();
    void moveCursor(const QPointF& point) { cursor_ = point; }

    const std::optional<QPointF>& anchor() const { return anchor_; }
    const QPointF& cursor() const { return cursor_; }
    bool hasDragged() const { return hasDragged_; }
    // The rectangle anchor and current point span, while a drag is under way.
    std::optional<QRectF> selection() const;

private:
    std::optional<QPointF> anchor_;
    std::optional<QPointF> current_;
    QPointF cursor_;
    bool hasDragged_ = false;
};

// What one screen's window of the overlay draws over its dimmed screen, in the window's
// coordinates: the selection left clear with its outline and handles, and its size badge; or,
// while nothing is selected, the pointer's guides and the hint.
struct OverlayMarks {
    std::optional<QRectF> selection;
    std::optional<QRectF> badge;
    std::optional<QPointF> guides;
    std::optional<QRectF> hint;

    bool operator==(const OverlayMarks&) const = default;
};

namespace SelectionLayout {

// How far the outline and the handles reach either side of the selection's edge.
inline constexpr double edgeReach = 4;

// The part of a window of `bounds` to paint again when its marks go from `before` to `after`:
// where the clear area grew or shrank, the outlines and badges of both, the guides of both.
QRegion changedArea(const OverlayMarks& before, const OverlayMarks& after, const QRectF& bounds);

// The line on the display under the pointer while nothing is selected.
QString hintText();

// "1280 × 720": the selection in pixels at `scale`, each side truncated.
QString sizeText(const QRectF& selection, double scale);

// The scale of the screen that holds most of `selection` (strictly larger areas win), starting
// from `fallback`.
double badgeScale(const QRectF& selection, std::span<const QRectF> frames,
                  std::span<const double> scales, double fallback);

// Below the selection, or above it when that would come within 4 points of the screen's
// bottom; centred on it and kept 4 points inside `bounds`.
QRectF badgeRect(const QRectF& selection, const QRectF& bounds, const QSizeF& badge);

// Centred, 64 points above the bottom of `bounds`.
QRectF hintRect(const QRectF& bounds, const QSizeF& box);

} // namespace SelectionLayout

} // namespace tavro
