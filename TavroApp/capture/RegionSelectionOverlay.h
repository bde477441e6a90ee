#pragma once

#include "capture/RegionSelection.h"
#include "capture/SelectionOverlay.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QScreen;

namespace tavro {

class FlowDesktop;
class RegionSelectionOverlay;

// One screen's part of the overlay: an override-redirect window over the whole screen. Where a
// compositor runs it is translucent; elsewhere it paints the screen as it was when the overlay
// froze it (its frozen frame), dimmed, and shows nothing before that.
class SelectionWindow final : public QWidget {
    Q_OBJECT

public:
    SelectionWindow(RegionSelectionOverlay& overlay, QScreen* screen, bool translucent);

    const QRectF& screenFrame() const { return screenFrame_; }
    double screenScale() const { return screenScale_; }
    bool translucent() const { return translucent_; }
    // Whether it can serve another presentation on `screen` as it is now.
    bool fits(QScreen* screen, bool translucent) const;
    // Ready for another presentation: no frame, nothing selected.
    void prepare();
    // Shows nothing until setFrame(), while taking input all the same; false where the X server
    // cannot make a window show nothing.
    bool showNothingYet();
    void setFrame(QImage frame);
    void releaseFrame() { frame_ = {}; }
    // Takes the keyboard and the pointer, retrying until the window is viewable.
    void takeInput();
    // Paints again what changed since the last call.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    OverlayMarks currentMarks() const;
    void paintScreen(QPainter& painter, const QRegion& area);
    void paintBadge(QPainter& painter, const QRectF& badge, const QString& text);
    void paintGuidesAndHint(QPainter& painter, const QPointF& cursor, const QRectF& hint);
    QString badgeText(const QRectF& selection) const;

    QPointer<RegionSelectionOverlay> overlay_;
    QRectF screenFrame_;
    double screenScale_ = 1;
    bool translucent_ = false;
    bool showingNothing_ = false;
    QImage frame_;
    OverlayMarks marks_;
    int grabAttempts_ = 0;
};

class RegionSelectionOverlay final : public QObject, public SelectionOverlay {
    Q_OBJECT

public:
    // `desktop` tells whether the overlay can be see-through.
    explicit RegionSelectionOverlay(FlowDesktop& desktop, QObject* parent = nullptr)
        : QObject(parent)
        , desktop_(desktop) {}
    ~RegionSelectionOverlay() override;

    void present(Completion onComplete, FullScreenRequest onFullScreenRequested) override;
    void freeze() override;
    void abandon() override;
    void finish(const std::optional<QRectF>& selection) override;
    std::optional<ScreenShot> frozenShot(const QRectF& selection) const override;
    bool isShowing() const override { return !windows_.empty(); }
    bool hasAnchor() const override { return selection_.anchor().has_value(); }

    void dismiss();
    void beginDrag(const QPointF& point);
    void updateDrag(const QPointF& point);
    void endDrag();
    void moveCursor(const QPointF& point);
    void requestFullScreen();

    const RegionSelection& selection() const { return selection_; }
    const std::vector<QPointer<SelectionWindow>>& windows() const { return windows_; }

private:
    void redrawAll();
    void deliverFullScreen(const QPointF& point);

    FlowDesktop& desktop_;

    struct FrozenScreen {
        QPointer<QScreen> screen;
        QImage frame;
    };

    SelectionWindow* windowFor(QScreen* screen, bool translucent);
    // Shows the windows and gives the one under the pointer the keyboard and the pointer.
    void showWindows();

    std::vector<QPointer<SelectionWindow>> windows_;
    // Hidden between presentations rather than made again: a new window's backing store is
    // fresh memory, whose first touch costs more at 5120 × 2880 than painting it.
    std::vector<QPointer<SelectionWindow>> spare_;
    // The screens as the last presentation froze them; empty where the overlay was see-through.
    std::vector<FrozenScreen> frozen_;
    Completion completion_;
    FullScreenRequest fullScreenRequest_;
    RegionSelection selection_;
    // Not frozen yet: an outcome waits for the frame, and is held here meanwhile.
    bool awaitingFrame_ = false;
    std::function<void()> heldOutcome_;
};

} // namespace tavro
