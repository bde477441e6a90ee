#pragma once

#include "board/BoardLayout.h"
#include "board/BoardPainting.h"
#include "board/CaptureCardContent.h"
#include "board/SortOrder.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
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

// One capture as the board hands it to the view, with what the library knows about it.
struct BoardEntry {
    // Shared with the published state, which never changes it: a board of any size is handed
    // over without copying its captures.
    std::shared_ptr<const BoardCapture> capture;
    std::optional<CaptureGroup> group;
    std::vector<std::string> tags;
    std::int64_t commentCount = 0;
    std::int64_t imageCount = 1;
    std::optional<Person> assignee;
};

// The board's captures as cards in an adaptive grid or as rows in a list. Paints and lays out
// only what is on screen; pictures arrive from the thumbnail loader after the first paint.
// Items are exposed to assistive technology as list items with their buttons.
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

    CaptureBoardView(ThumbnailLoader& thumbnails, Actions actions, QWidget* parent = nullptr);
    ~CaptureBoardView() override;
    CaptureBoardView(const CaptureBoardView&) = delete;
    CaptureBoardView& operator=(const CaptureBoardView&) = delete;

    void setEntries(std::vector<BoardEntry> entries, Seconds now);
    void setLayoutMode(LayoutMode mode);
    LayoutMode layoutMode() const { return mode_; }

    std::size_t count() const { return entries_.size(); }
    const BoardEntry& entry(std::size_t index) const { return entries_[index]; }
    // In the viewport's coordinates, scrolled.
    QRect itemRect(std::size_t index) const;
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
    void relayout();
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

    ThumbnailLoader& thumbnails_;
    Actions actions_;
    LayoutMode mode_ = LayoutMode::grid;
    std::vector<BoardEntry> entries_;
    std::vector<CardShape> shapes_;
    // The headline font the shapes' title widths were measured in.
    QFont measuredWith_;
    mutable std::vector<std::optional<CaptureCardContent>> cards_;
    mutable std::vector<std::optional<CaptureRowContent>> rows_;
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
