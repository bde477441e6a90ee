#include "capture/RegionSelectionOverlay.h"

#include "platform/ScreenCapturer.h"
#include "platform/X11Desktop.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace tavro {

namespace {

constexpr int grabRetryMs = 20;
constexpr int grabAttemptsMax = 100;

QFont badgeFont() {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(12);
    font.setWeight(QFont::DemiBold);
    font.setStyleHint(QFont::Monospace);
    return font;
}

QFont hintFont() {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(13);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

SelectionWindow::SelectionWindow(RegionSelectionOverlay& overlay, QScreen* screen,
                                 QImage background)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::Tool)
    , overlay_(&overlay)
    , screenFrame_(screen->geometry())
    , screenScale_(screen->devicePixelRatio())
    , background_(std::move(background)) {
    setObjectName(QStringLiteral("selectionWindow"));
    if (background_.isNull())
        setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setScreen(screen);
    setGeometry(screen->geometry());
}

void SelectionWindow::takeInput() {
    // Override-redirect windows get no focus from the window manager: without an explicit
    // grab neither Escape nor Space would ever arrive.
    QWindow* window = windowHandle();
    const bool keyboard = window && window->setKeyboardGrabEnabled(true);
    const bool pointer = window && window->setMouseGrabEnabled(true);
    if ((keyboard && pointer) || ++grabAttempts_ >= grabAttemptsMax)
        return;
    QTimer::singleShot(grabRetryMs, this, [this] {
        if (isVisible())
            takeInput();
    });
}

void SelectionWindow::mousePressEvent(QMouseEvent* event) {
    if (!overlay_)
        return;
    activateWindow();
    setFocus();
    overlay_->beginDrag(event->globalPosition());
}

void SelectionWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!overlay_)
        return;
    if (event->buttons() & Qt::LeftButton && overlay_->hasAnchor())
        overlay_->updateDrag(event->globalPosition());
    else
        overlay_->moveCursor(event->globalPosition());
}

void SelectionWindow::mouseReleaseEvent(QMouseEvent*) {
    if (overlay_)
        overlay_->endDrag();
}

void SelectionWindow::keyPressEvent(QKeyEvent* event) {
    if (!overlay_)
        return;
    if (event->key() == Qt::Key_Space)
        overlay_->requestFullScreen();
    else if (event->key() == Qt::Key_Escape)
        overlay_->finish(std::nullopt);
    else
        QWidget::keyPressEvent(event);
}

void SelectionWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bounds = rect();
    if (!background_.isNull()) {
        painter.drawImage(bounds, background_);
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(bounds, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    painter.fillRect(bounds, QColor(0, 0, 0, int(0.38 * 255)));
    if (!overlay_)
        return;

    const auto selection = overlay_->selection().selection();
    if (selection && selection->width() > 0 && selection->height() > 0) {
        const QRectF local = selection->translated(-screenFrame_.topLeft());
        const QRectF hole = local.intersected(bounds);
        if (!hole.isEmpty()) {
            if (!background_.isNull()) {
                const double ratio = background_.width() / bounds.width();
                painter.drawImage(hole, background_,
                                  QRectF(hole.topLeft() * ratio, hole.size() * ratio));
            } else {
                painter.setCompositionMode(QPainter::CompositionMode_Clear);
                painter.fillRect(hole, Qt::transparent);
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            }
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(255, 255, 255, int(0.95 * 255)), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(local.adjusted(-0.75, -0.75, 0.75, 0.75));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        const QRectF reach = bounds.adjusted(-8, -8, 8, 8);
        for (const QPointF& handle :
             {local.topLeft(), local.topRight(), local.bottomLeft(), local.bottomRight(),
              QPointF(local.center().x(), local.top()), QPointF(local.center().x(), local.bottom()),
              QPointF(local.left(), local.center().y()),
              QPointF(local.right(), local.center().y())})
            if (reach.contains(handle))
                painter.drawEllipse(handle, 2.5, 2.5);
        if (screenFrame_.contains(overlay_->selection().cursor()))
            paintBadge(painter, *selection);
        return;
    }
    if (screenFrame_.contains(overlay_->selection().cursor()))
        paintGuidesAndHint(painter);
}

void SelectionWindow::paintBadge(QPainter& painter, const QRectF& selection) {
    std::vector<QRectF> frames;
    std::vector<double> scales;
    for (QScreen* screen : QGuiApplication::screens()) {
        frames.emplace_back(screen->geometry());
        scales.push_back(screen->devicePixelRatio());
    }
    const double scale = SelectionLayout::badgeScale(selection, frames, scales, screenScale_);
    const QString text = SelectionLayout::sizeText(selection, scale);
    painter.setFont(badgeFont());
    const QSizeF textSize = painter.fontMetrics().size(Qt::TextSingleLine, text);
    const QRectF badge =
        SelectionLayout::badgeRect(selection.translated(-screenFrame_.topLeft()), rect(),
                                   QSizeF(textSize.width() + 20, textSize.height() + 10));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.82 * 255)));
    painter.drawRoundedRect(badge, 6, 6);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, text);
}

void SelectionWindow::paintGuidesAndHint(QPainter& painter) {
    const QPointF cursor = overlay_->selection().cursor() - screenFrame_.topLeft();
    QPen dashed(QColor(255, 255, 255, int(0.28 * 255)), 1);
    dashed.setDashPattern({4, 4});
    painter.setPen(dashed);
    painter.drawLine(QPointF(cursor.x(), 0), QPointF(cursor.x(), height()));
    painter.drawLine(QPointF(0, cursor.y()), QPointF(width(), cursor.y()));

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(hintFont());
    const QString hint = SelectionLayout::hintText();
    const QSizeF textSize = painter.fontMetrics().size(Qt::TextSingleLine, hint);
    const QRectF box =
        SelectionLayout::hintRect(rect(), QSizeF(textSize.width() + 32, textSize.height() + 20));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.72 * 255)));
    painter.drawRoundedRect(box, 10, 10);
    painter.setPen(QColor(255, 255, 255, int(0.92 * 255)));
    painter.drawText(box, Qt::AlignCenter, hint);
}

RegionSelectionOverlay::~RegionSelectionOverlay() {
    dismiss();
}

void RegionSelectionOverlay::present(Completion onComplete,
                                     FullScreenRequest onFullScreenRequested) {
    dismiss();
    completion_ = std::move(onComplete);
    fullScreenRequest_ = std::move(onFullScreenRequested);
    selection_.reset(QCursor::pos());
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) {
        auto completion = std::move(completion_);
        completion_ = {};
        fullScreenRequest_ = {};
        if (completion)
            completion(std::nullopt);
        return;
    }
    // Without a compositor a window cannot be see-through: freeze each screen as it is now.
    const bool frozen = !X11Desktop::compositorRunning();
    frozen_.clear();
    for (QScreen* screen : screens) {
        QImage background;
        if (frozen) {
            const QRect frame = screen->geometry();
            background = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                             .toImage();
            frozen_.push_back({screen, background});
        }
        windows_.emplace_back(new SelectionWindow(*this, screen, std::move(background)));
    }
    for (const auto& window : windows_)
        window->show();
    SelectionWindow* key = windows_.front();
    for (const auto& window : windows_)
        if (window->screenFrame().contains(selection_.cursor()))
            key = window;
    key->raise();
    key->activateWindow();
    key->setFocus();
    key->takeInput();
}

std::optional<ScreenShot> RegionSelectionOverlay::frozenShot(const QRectF& selection) const {
    if (frozen_.empty())
        return std::nullopt;
    QScreen* screen = ScreenCapturer::screenHoldingMostOf(selection);
    for (const FrozenScreen& frozen : frozen_)
        if (frozen.screen == screen && !frozen.frame.isNull())
            return DisplayScreenGrabber::shotFrom(
                ScreenCapturer::cropRegion(selection, screen, frozen.frame));
    return std::nullopt;
}

void RegionSelectionOverlay::dismiss() {
    auto windows = std::move(windows_);
    windows_.clear();
    for (const auto& window : windows)
        if (window) {
            if (QWindow* handle = window->windowHandle()) {
                handle->setKeyboardGrabEnabled(false);
                handle->setMouseGrabEnabled(false);
            }
            window->hide();
            window->deleteLater();
        }
}

void RegionSelectionOverlay::abandon() {
    dismiss();
    completion_ = {};
    fullScreenRequest_ = {};
    selection_.reset(selection_.cursor());
}

void RegionSelectionOverlay::finish(const std::optional<QRectF>& selection) {
    auto completion = std::move(completion_);
    dismiss();
    completion_ = {};
    fullScreenRequest_ = {};
    if (completion)
        completion(selection);
}

void RegionSelectionOverlay::beginDrag(const QPointF& point) {
    selection_.beginDrag(point);
    redrawAll();
}

void RegionSelectionOverlay::updateDrag(const QPointF& point) {
    selection_.updateDrag(point);
    redrawAll();
}

void RegionSelectionOverlay::endDrag() {
    finish(selection_.endDrag());
}

void RegionSelectionOverlay::moveCursor(const QPointF& point) {
    selection_.moveCursor(point);
    redrawAll();
}

void RegionSelectionOverlay::requestFullScreen() {
    const QPointF point = QCursor::pos();
    auto request = std::move(fullScreenRequest_);
    dismiss();
    completion_ = {};
    fullScreenRequest_ = {};
    if (request)
        request(point);
}

void RegionSelectionOverlay::redrawAll() {
    for (const auto& window : windows_)
        if (window)
            window->update();
}

} // namespace tavro
