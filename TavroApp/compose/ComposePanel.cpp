#include "compose/ComposePanel.h"

#include "compose/ComposeTexts.h"
#include "compose/ComposeView.h"
#include "compose/EscapeKeyFilter.h"
#include "desktop/CaptureServices.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRegion>
#include <QScreen>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tavro {

namespace {

constexpr int noteFocusDelayMs = 80;
// How often, and for how long, the box asks again for the focus it was not given. A window
// manager starved by a loaded machine may take seconds to adopt the box at all.
constexpr int focusRequestIntervalMs = 150;
constexpr int focusRequestsForMs = 6000;

} // namespace

namespace {

QPainterPath boxOutline(const QRectF& box) {
    QPainterPath outline;
    outline.addRoundedRect(box, ComposePanel::cornerRadius, ComposePanel::cornerRadius);
    return outline;
}

// Lies over the box and draws its edge after everything in it: on a translucent window it
// first cuts the square corners away smoothly and puts the shadow back in their place.
class BoxEdge final : public QWidget {
public:
    explicit BoxEdge(ComposePanel& panel)
        : QWidget(&panel)
        , panel_(panel) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(rect());
        if (panel_.composited()) {
            QPainterPath outside;
            outside.addRect(box);
            outside = outside.subtracted(boxOutline(box));
            painter.setCompositionMode(QPainter::CompositionMode_Clear);
            painter.fillPath(outside, Qt::black);
            painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
            painter.setClipPath(outside);
            painter.drawImage(QPointF(-pos()), panel_.shadow());
            painter.setClipping(false);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        // A hairline that keeps the box apart from a window of the same colour behind it.
        QColor line = Theme::borderStrong.resolved(palette());
        painter.setPen(QPen(line, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(boxOutline(box.adjusted(0.5, 0.5, -0.5, -0.5)));
    }

private:
    ComposePanel& panel_;
};

// A soft shadow: layers of rounded rectangles, each a little larger and fainter.
QImage boxShadow(const QSize& window, const QRect& box, double ratio) {
    QImage shadow(window * ratio, QImage::Format_ARGB32_Premultiplied);
    shadow.setDevicePixelRatio(ratio);
    shadow.fill(Qt::transparent);
    QPainter painter(&shadow);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const int spread = ComposePanel::shadowMargin - ComposePanel::shadowOffset;
    const QRectF cast = QRectF(box).translated(0, ComposePanel::shadowOffset);
    for (int grow = spread; grow >= -4; grow -= 2) {
        painter.setBrush(QColor(0, 0, 0, 7));
        const double radius = std::max(2.0, ComposePanel::cornerRadius + grow);
        painter.drawRoundedRect(cast.adjusted(-grow, -grow, grow, grow), radius, radius);
    }
    return shadow;
}

} // namespace

ComposePanel::ComposePanel(ComposeView* view, bool composited, FlowDesktop& desktop)
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , view_(view)
    , composited_(composited)
    , desktop_(desktop) {
    setObjectName(QStringLiteral("noteBox"));
    // Never shown as a title, but names the window to the desktop and to tests.
    setWindowTitle(ComposeTexts::windowTitle());
    setAccessibleName(ComposeTexts::windowTitle());
    if (composited_)
        setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    const int margin = composited_ ? shadowMargin : 0;
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    view->setParent(this);
    layout->addWidget(view);
    edge_ = new BoxEdge(*this);
    edge_->raise();
    // The box shows on whichever desktop the user is on when the capture ends.
    desktop_.stickOnEveryDesktop(std::uint32_t(winId()));
    focusRequest_.setInterval(focusRequestIntervalMs);
    connect(&focusRequest_, &QTimer::timeout, this, &ComposePanel::askForFocus);
}

void ComposePanel::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    focusRequestsUntil_.setRemainingTime(focusRequestsForMs);
    focusRequest_.start();
}

void ComposePanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        focusRequest_.stop();
    QDialog::changeEvent(event);
}

void ComposePanel::askForFocus() {
    if (isActiveWindow() || !isVisible() || focusRequestsUntil_.hasExpired()) {
        focusRequest_.stop();
        return;
    }
    // Asked as a pager asks, the window manager does not weigh it against the last user time.
    desktop_.activate({std::uint32_t(winId()), 0});
}

QRect ComposePanel::boxRect() const {
    const int margin = composited_ ? shadowMargin : 0;
    return rect().adjusted(margin, margin, -margin, -margin);
}

void ComposePanel::keyPressEvent(QKeyEvent* event) {
    QWidget::keyPressEvent(event);
}

void ComposePanel::paintEvent(QPaintEvent*) {
    if (!composited_)
        return;
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), shadow_);
}

void ComposePanel::resizeEvent(QResizeEvent* event) {
    if (!edge_) {
        QDialog::resizeEvent(event);
        return;
    }
    edge_->setGeometry(boxRect());
    edge_->raise();
    if (composited_) {
        shadow_ = boxShadow(size(), boxRect(), devicePixelRatioF());
    } else {
        // Without a compositor only the window's shape can round it; its steps are hidden by the
        // border drawn along them.
        setMask(QRegion(boxOutline(QRectF(rect())).toFillPolygon().toPolygon()));
    }
    QDialog::resizeEvent(event);
}

ComposePanelController::ComposePanelController(ThumbnailLoader& loader, FlowDesktop& desktop,
                                               DefaultGroup defaultGroupID, QObject* parent)
    : QObject(parent)
    , loader_(loader)
    , desktop_(desktop)
    , defaultGroupID_(std::move(defaultGroupID)) {}

ComposePanelController::~ComposePanelController() {
    delete escapeFilter_.data();
    delete panel_.data();
}

void ComposePanelController::present(const PendingCapture& pending,
                                     const std::vector<CaptureGroup>& groups,
                                     ComposeCallbacks callbacks) {
    dismiss();
    QPointer<ComposePanelController> self(this);
    // Each closes the box first; the flow may open the next one from inside the callback.
    const auto closing = [self] {
        if (self)
            self->dismiss();
    };
    ComposeCallbacks wrapped;
    wrapped.onSave = [closing, next = callbacks.onSave](const std::string& note,
                                                        CapturePriority priority,
                                                        const std::optional<std::string>& groupID,
                                                        const std::vector<std::string>& tags) {
        closing();
        if (next)
            next(note, priority, groupID, tags);
    };
    wrapped.onDiscard = [closing, next = callbacks.onDiscard] {
        closing();
        if (next)
            next();
    };
    wrapped.onAddScreenshot = [closing, next = callbacks.onAddScreenshot](const ComposeDraft& d) {
        closing();
        if (next)
            next(d);
    };
    wrapped.onAnnotate = [closing, next = callbacks.onAnnotate](const PendingImage& image,
                                                                const ComposeDraft& draft) {
        closing();
        if (next)
            next(image, draft);
    };
    wrapped.onCreateGroup = callbacks.onCreateGroup;

    auto* view = new ComposeView(
        pending, groups, defaultGroupID_ ? defaultGroupID_() : std::nullopt, loader_, wrapped);
    auto* panel = new ComposePanel(view, desktop_.compositorRunning(), desktop_);
    panel_ = panel;
    escapeFilter_ = new EscapeKeyFilter(
        [closing, next = callbacks.onDiscard, shown = QPointer<ComposeView>(view)] {
            if (shown && shown->leaveGroupField())
                return;
            closing();
            if (next)
                next();
        });

    panel->adjustSize();
    QScreen* screen = screenFor(pending.context.displayName);
    if (screen) {
        panel->setScreen(screen);
        panel->move(placement(screen->availableGeometry(), panel->size()));
    }
    // The note is the window's focus widget from the start, so keys typed the moment the box
    // shows land in it; the later move keeps it there once the window manager has settled.
    QPlainTextEdit* note = view->noteEditor();
    QTextCursor cursor = note->textCursor();
    cursor.movePosition(QTextCursor::End);
    if (noteCursor_ && noteCursor_->captureID == pending.id)
        cursor.setPosition(std::min(noteCursor_->position, cursor.position()));
    note->setTextCursor(cursor);
    noteCursor_.reset();
    note->setFocus(Qt::OtherFocusReason);
    panel->show();
    panel->raise();
    panel->activateWindow();
    view->focusNoteSoon(noteFocusDelayMs);
}

void ComposePanelController::dismiss() {
    if (EscapeKeyFilter* filter = escapeFilter_) {
        escapeFilter_.clear();
        filter->uninstall();
        filter->deleteLater();
    }
    if (ComposePanel* panel = panel_) {
        panel_.clear();
        noteCursor_ = NoteCursor{panel->view()->state().pending().id,
                                 panel->view()->noteEditor()->textCursor().position()};
        panel->hide();
        panel->deleteLater();
    }
}

std::optional<ComposeDraft> ComposePanelController::openDraft() const {
    if (!panel_)
        return std::nullopt;
    return panel_->view()->state().currentDraft();
}

QScreen* ComposePanelController::screenFor(const std::optional<std::string>& displayName) {
    if (displayName)
        for (QScreen* screen : QGuiApplication::screens())
            if (toStdString(screen->name()) == *displayName)
                return screen;
    return QGuiApplication::primaryScreen();
}

QPoint ComposePanelController::placement(const QRect& available, const QSize& panel) {
    const double midX = available.x() + available.width() / 2.0;
    const double midY = available.y() + available.height() / 2.0;
    return QPoint(
        static_cast<int>(std::lround(midX - panel.width() / 2.0)),
        static_cast<int>(std::lround(midY - panel.height() / 2.0 - 0.08 * available.height())));
}

} // namespace tavro
