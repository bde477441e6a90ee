#include "capture/RegionSelectionOverlay.h"

#include "desktop/CaptureServices.h"
#include "desktop/ScreenCapturer.h"
#include "desktop/X11WindowShape.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <utility>

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

const QColor dimColor(0, 0, 0, int(0.38 * 255));

QFont hintFont() {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(13);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

SelectionWindow::SelectionWindow(RegionSelectionOverlay& overlay, QScreen* screen, bool translucent)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::Tool)
    , overlay_(&overlay)
    , screenFrame_(screen->geometry())
    , screenScale_(screen->devicePixelRatio())
    , translucent_(translucent) {
    setObjectName(QStringLiteral("selectionWindow"));
    if (translucent)
        setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setScreen(screen);
    setGeometry(screen->geometry());
    marks_ = currentMarks();
}

bool SelectionWindow::fits(QScreen* screen, bool translucent) const {
    return this->screen() == screen && screenFrame_ == QRectF(screen->geometry()) &&
           screenScale_ == screen->devicePixelRatio() && translucent_ == translucent;
}

void SelectionWindow::prepare() {
    frame_ = {};
    if (std::exchange(showingNothing_, false))
        X11WindowShape::setEmpty(std::uint32_t(winId()), false);
    grabAttempts_ = 0;
    marks_ = currentMarks();
}

bool SelectionWindow::showNothingYet() {
    if (!X11WindowShape::available())
        return false;
    X11WindowShape::setEmpty(std::uint32_t(winId()), true);
    showingNothing_ = true;
    return true;
}

void SelectionWindow::setFrame(QImage frame) {
    frame_ = std::move(frame);
    // Without a frame there is nothing to show over: the window stays empty, and still selects.
    if (showingNothing_ && !frame_.isNull()) {
        showingNothing_ = false;
        X11WindowShape::setEmpty(std::uint32_t(winId()), false);
    }
    update();
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

void SelectionWindow::refresh() {
    OverlayMarks marks = currentMarks();
    const QRegion changed = SelectionLayout::changedArea(marks_, marks, rect());
    marks_ = std::move(marks);
    if (!changed.isEmpty())
        update(changed);
}

QString SelectionWindow::badgeText(const QRectF& selection) const {
    std::vector<QRectF> frames;
    std::vector<double> scales;
    for (QScreen* screen : QGuiApplication::screens()) {
        frames.emplace_back(screen->geometry());
        scales.push_back(screen->devicePixelRatio());
    }
    const double scale = SelectionLayout::badgeScale(selection, frames, scales, screenScale_);
    return SelectionLayout::sizeText(selection, scale);
}

OverlayMarks SelectionWindow::currentMarks() const {
    OverlayMarks marks;
    if (!overlay_)
        return marks;
    const RegionSelection& state = overlay_->selection();
    const bool pointerHere = screenFrame_.contains(state.cursor());
    const auto selection = state.selection();
    if (selection && selection->width() > 0 && selection->height() > 0) {
        marks.selection = selection->translated(-screenFrame_.topLeft());
        if (pointerHere) {
            const QSizeF text = QFontMetrics(badgeFont(), const_cast<SelectionWindow*>(this))
                                    .size(Qt::TextSingleLine, badgeText(*selection));
            marks.badge = SelectionLayout::badgeRect(*marks.selection, rect(),
                                                     QSizeF(text.width() + 20, text.height() + 10));
        }
        return marks;
    }
    if (pointerHere) {
        marks.guides = state.cursor() - screenFrame_.topLeft();
        const QSizeF text = QFontMetrics(hintFont(), const_cast<SelectionWindow*>(this))
                                .size(Qt::TextSingleLine, SelectionLayout::hintText());
        marks.hint =
            SelectionLayout::hintRect(rect(), QSizeF(text.width() + 32, text.height() + 20));
    }
    return marks;
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

// The frame, dimmed, and clear inside the selection; only over `area`, which is all that
// changed.
void SelectionWindow::paintScreen(QPainter& painter, const QRegion& area) {
    const double ratio = frame_.isNull() ? 1 : frame_.width() / double(width());
    auto drawFrame = [&](const QRectF& part) {
        painter.drawImage(part, frame_, QRectF(part.topLeft() * ratio, part.size() * ratio));
    };
    for (const QRect& part : area) {
        if (frame_.isNull()) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(part, Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            drawFrame(part);
        }
        painter.fillRect(part, dimColor);
    }
    if (!marks_.selection)
        return;
    const QRectF hole = marks_.selection->intersected(rect());
    for (const QRect& part : area) {
        const QRectF clear = hole.intersected(part);
        if (clear.isEmpty())
            continue;
        if (frame_.isNull()) {
            painter.setCompositionMode(QPainter::CompositionMode_Clear);
            painter.fillRect(clear, Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            drawFrame(clear);
        }
    }
}

void SelectionWindow::paintEvent(QPaintEvent* event) {
    // Nothing of it shows before the frame: the paint would be thrown away.
    if (showingNothing_)
        return;
    QPainter painter(this);
    paintScreen(painter, event->region());
    if (!overlay_)
        return;
    if (const auto& selection = marks_.selection) {
        const QRectF local = *selection;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(255, 255, 255, int(0.95 * 255)), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(local.adjusted(-0.75, -0.75, 0.75, 0.75));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        const QRectF reach = QRectF(rect()).adjusted(-8, -8, 8, 8);
        for (const QPointF& handle :
             {local.topLeft(), local.topRight(), local.bottomLeft(), local.bottomRight(),
              QPointF(local.center().x(), local.top()), QPointF(local.center().x(), local.bottom()),
              QPointF(local.left(), local.center().y()),
              QPointF(local.right(), local.center().y())})
            if (reach.contains(handle))
                painter.drawEllipse(handle, 2.5, 2.5);
        if (marks_.badge)
            paintBadge(painter, *marks_.badge, badgeText(local.translated(screenFrame_.topLeft())));
        return;
    }
    if (marks_.guides && marks_.hint)
        paintGuidesAndHint(painter, *marks_.guides, *marks_.hint);
}

void SelectionWindow::paintBadge(QPainter& painter, const QRectF& badge, const QString& text) {
    painter.setFont(badgeFont());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.82 * 255)));
    painter.drawRoundedRect(badge, 6, 6);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, text);
}

void SelectionWindow::paintGuidesAndHint(QPainter& painter, const QPointF& cursor,
                                         const QRectF& hint) {
    QPen dashed(QColor(255, 255, 255, int(0.28 * 255)), 1);
    dashed.setDashPattern({4, 4});
    painter.setPen(dashed);
    painter.drawLine(QPointF(cursor.x(), 0), QPointF(cursor.x(), height()));
    painter.drawLine(QPointF(0, cursor.y()), QPointF(width(), cursor.y()));

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(hintFont());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.72 * 255)));
    painter.drawRoundedRect(hint, 10, 10);
    painter.setPen(QColor(255, 255, 255, int(0.92 * 255)));
    painter.drawText(hint, Qt::AlignCenter, SelectionLayout::hintText());
}

RegionSelectionOverlay::~RegionSelectionOverlay() {
    dismiss();
    for (const auto& window : spare_)
        delete window.data();
}

SelectionWindow* RegionSelectionOverlay::windowFor(QScreen* screen, bool translucent) {
    for (auto it = spare_.begin(); it != spare_.end(); ++it)
        if (*it && (*it)->fits(screen, translucent)) {
            SelectionWindow* window = *it;
            spare_.erase(it);
            window->prepare();
            return window;
        }
    return new SelectionWindow(*this, screen, translucent);
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
    // Without a compositor a window cannot be see-through: the overlay shows each screen frozen,
    // once freeze() says the screen is ready. Until then its windows show nothing but already
    // take the pointer and the keyboard, so a drag begun at once is not lost.
    const bool translucent = desktop_.compositorRunning();
    awaitingFrame_ = !translucent;
    frozen_.clear();
    for (QScreen* screen : screens)
        windows_.emplace_back(windowFor(screen, translucent));
    for (const auto& window : std::exchange(spare_, {}))
        delete window.data();
    bool shown = translucent;
    if (!translucent) {
        shown = true;
        for (const auto& window : windows_)
            shown = window->showNothingYet() && shown;
    }
    // Where no window can show nothing, they show only once frozen, and input waits for them.
    if (shown)
        showWindows();
}

void RegionSelectionOverlay::showWindows() {
    for (const auto& window : windows_)
        if (window)
            window->show();
    SelectionWindow* key = nullptr;
    for (const auto& window : windows_)
        if (window && (!key || window->screenFrame().contains(selection_.cursor())))
            key = window;
    if (!key)
        return;
    key->raise();
    key->activateWindow();
    key->setFocus();
    key->takeInput();
}

void RegionSelectionOverlay::freeze() {
    if (!awaitingFrame_ || windows_.empty())
        return;
    awaitingFrame_ = false;
    // Every screen first: no window may show anything while another screen is read.
    std::vector<QImage> frames;
    for (const auto& window : windows_) {
        frames.push_back(window ? ScreenCapturer::grabScreen(window->screen()) : QImage());
        if (window)
            frozen_.push_back({window->screen(), frames.back()});
    }
    bool shownAlready = false;
    for (size_t i = 0; i < windows_.size(); ++i)
        if (SelectionWindow* window = windows_[i]) {
            shownAlready = shownAlready || window->isVisible();
            window->setFrame(frames[i]);
        }
    if (!shownAlready)
        showWindows();
    if (auto outcome = std::exchange(heldOutcome_, {}))
        outcome();
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
            window->releaseFrame();
            spare_.push_back(window);
        }
    awaitingFrame_ = false;
    heldOutcome_ = {};
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
    if (heldOutcome_)
        return;
    selection_.beginDrag(point);
    redrawAll();
}

void RegionSelectionOverlay::updateDrag(const QPointF& point) {
    if (heldOutcome_)
        return;
    selection_.updateDrag(point);
    redrawAll();
}

void RegionSelectionOverlay::endDrag() {
    if (heldOutcome_)
        return;
    const auto selection = selection_.endDrag();
    // The screenshot is the frozen frame's: a drag that ends before it is answered with it.
    if (awaitingFrame_ && selection) {
        heldOutcome_ = [this, selection] {
            finish(selection);
        };
        return;
    }
    finish(selection);
}

void RegionSelectionOverlay::moveCursor(const QPointF& point) {
    selection_.moveCursor(point);
    redrawAll();
}

void RegionSelectionOverlay::requestFullScreen() {
    if (heldOutcome_)
        return;
    const QPointF point = QCursor::pos();
    // The whole screen is grabbed once the overlay has gone; it waits for the screen all the same.
    if (awaitingFrame_) {
        heldOutcome_ = [this, point] {
            deliverFullScreen(point);
        };
        return;
    }
    deliverFullScreen(point);
}

void RegionSelectionOverlay::deliverFullScreen(const QPointF& point) {
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
            window->refresh();
}

} // namespace tavro
