#pragma once

#include "capture/RegionSelection.h"
#include "capture/SelectionOverlay.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

class QScreen;

namespace tavro {

class RegionSelectionOverlay;

// One screen's part of the overlay: an override-redirect window over the whole screen. Where a
// compositor runs it is translucent; elsewhere it paints the screen as it was when the overlay
// opened (its frozen background), dimmed.
class SelectionWindow final : public QWidget {
    Q_OBJECT

public:
    SelectionWindow(RegionSelectionOverlay& overlay, QScreen* screen, QImage background);

    const QRectF& screenFrame() const { return screenFrame_; }
    double screenScale() const { return screenScale_; }
    // Takes the keyboard and the pointer, retrying until the window is viewable.
    void takeInput();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paintBadge(QPainter& painter, const QRectF& selection);
    void paintGuidesAndHint(QPainter& painter);

    QPointer<RegionSelectionOverlay> overlay_;
    QRectF screenFrame_;
    double screenScale_ = 1;
    QImage background_;
    int grabAttempts_ = 0;
};

class RegionSelectionOverlay final : public QObject, public SelectionOverlay {
    Q_OBJECT

public:
    using QObject::QObject;
    ~RegionSelectionOverlay() override;

    void present(Completion onComplete, FullScreenRequest onFullScreenRequested) override;
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

    struct FrozenScreen {
        QPointer<QScreen> screen;
        QImage frame;
    };

    std::vector<QPointer<SelectionWindow>> windows_;
    // The screens as the last presentation froze them; empty where the overlay was see-through.
    std::vector<FrozenScreen> frozen_;
    Completion completion_;
    FullScreenRequest fullScreenRequest_;
    RegionSelection selection_;
};

} // namespace tavro
