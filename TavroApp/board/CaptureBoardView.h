#pragma once

#include "board/BoardLayout.h"
#include "board/BoardPainting.h"
#include "board/CaptureBoardModel.h"
#include "board/CaptureCardContent.h"
#include "board/SortOrder.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class ThumbnailLoader;

// The model's captures as cards in an adaptive grid or as rows in a list. Paints only what is on
// screen; pictures arrive from the thumbnail loader after the first paint. Follows the model row
// by row: a row put in, taken out or changed lays out the grid again from its place on and
// repaints what moved on screen, and a change above the viewport keeps the first card on screen
// where it was. Items are exposed to assistive technology as list items with their buttons.
class CaptureBoardView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    struct Actions {
        std::function<void(const std::string& captureID)> open;
        std::function<void(const std::string& captureID)> resolve;
        std::function<void(const std::string& captureID)> remove;
        // The capture's context menu, wanted at that point of the screen.
        std::function<void(const std::string& captureID, QPoint globalPosition)> menu;
    };

    CaptureBoardView(CaptureBoardModel& model, ThumbnailLoader& thumbnails, Actions actions,
                     QWidget* parent = nullptr);
    ~CaptureBoardView() override;
    CaptureBoardView(const CaptureBoardView&) = delete;
    CaptureBoardView& operator=(const CaptureBoardView&) = delete;

    void setLayoutMode(LayoutMode mode);
    LayoutMode layoutMode() const { return mode_; }

    std::size_t count() const;
    BoardEntry entry(std::size_t index) const;
    const std::string& captureID(std::size_t index) const;
    // In the viewport's coordinates, scrolled.
    QRect itemRect(std::size_t index) const;
    std::optional<std::size_t> indexAt(QPoint viewportPoint) const;
    QRect actionRect(std::size_t index, CardAction action) const;
    std::optional<std::size_t> hoveredIndex() const { return hovered_; }
    // How far the card has risen into its hovered look, as its 0.16 s ease-out has it now.
    double liftOf(std::size_t index) const;
    const CaptureCardContent& card(std::size_t index) const;
    const CaptureRowContent& row(std::size_t index) const;
    // The help text of a hover button or of a row's missing screenshot under the point.
    QString toolTipAt(QPoint viewportPoint) const;
    // Runs what a click on that part of the item does.
    void trigger(std::size_t index, BoardPart part);
    // The item the keyboard works on: the arrow keys move it, Return or Space opens it, the
    // menu key or Shift+F10 asks for its context menu. A click or a right-click moves it too.
    std::optional<std::size_t> currentIndex() const { return current_; }
    void setCurrentIndex(std::optional<std::size_t> index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Where the first item on screen is, to keep it there through a change above it.
    struct Anchor {
        std::size_t index = 0;
        double offset = 0;
    };

    void watchModel();
    void modelAboutToReset();
    void modelWasReset();
    void rowsWereInserted(std::size_t first, std::size_t last);
    void rowsWereRemoved(std::size_t first, std::size_t last);
    void rowWasMoved(std::size_t from, std::size_t to);
    void rowsWereChanged(std::size_t first, std::size_t last);
    // Before a change that starts at `first`.
    std::optional<Anchor> anchorAbove(std::size_t first) const;
    // After the change, with the anchor's item now at `index`.
    void restore(const std::optional<Anchor>& anchor, std::size_t index);
    // What every change of the rows forgets: cached contents, fades, a press under way.
    void forgetRowState(bool structural);
    // Repaints from the item's place down, when it is on screen or above it.
    void updateFrom(std::size_t index);
    double itemTop(std::size_t index) const;
    std::pair<std::size_t, std::size_t> visibleItems() const;
    CardShape shapeOf(std::size_t index, const QFontMetricsF& headline);
    void relayout();
    void updateScrollRange();
    std::optional<BoardHit> hitAt(QPoint viewportPoint) const;
    void setHovered(std::optional<std::size_t> index);
    void requestMenu(std::size_t index, QPoint globalPosition);
    void paintFocus(QPainter& painter) const;
    void startFade(std::size_t index, double to);
    void stepFades();
    QRect liftedRect(std::size_t index) const;
    BoardPicture picture(const QString& path, QSizeF frame, bool card);
    const std::optional<QIcon>& appIcon(const std::optional<std::string>& bundleID);
    QRectF contentRect(std::size_t index) const;

    CaptureBoardModel& model_;
    ThumbnailLoader& thumbnails_;
    Actions actions_;
    LayoutMode mode_ = LayoutMode::grid;
    // One per row of the model.
    std::vector<CardShape> shapes_;
    // The headline font the shapes' title widths were measured in.
    QFont measuredWith_;
    // Built when first asked for, by row, since the rows last changed.
    mutable std::map<std::size_t, CaptureCardContent> cards_;
    mutable std::map<std::size_t, CaptureRowContent> rows_;
    // Kept from before a reset to after it.
    std::optional<std::string> currentID_;
    std::optional<std::string> hoveredID_;
    Seconds now_ = 0;
    BoardLineMetrics metrics_;
    CardGridLayout grid_;
    RowListLayout list_;
    std::optional<std::size_t> hovered_;
    std::optional<std::size_t> current_;
    struct Fade {
        double from = 0;
        double to = 0;
        qint64 startMs = 0;
    };
    std::map<std::size_t, Fade> fades_;
    QElapsedTimer clock_;
    QTimer fadeTimer_;
    std::optional<BoardHit> pressed_;
    struct ScaledPicture {
        qint64 sourceKey = 0;
        QImage image;
    };
    QHash<QString, ScaledPicture> scaled_;
    QSet<QString> pending_;
    QSet<QString> failed_;
    QHash<QString, std::optional<QIcon>> icons_;
};

} // namespace tavro
