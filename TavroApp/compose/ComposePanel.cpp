#include "compose/ComposePanel.h"

#include "compose/ComposeTexts.h"
#include "compose/ComposeView.h"
#include "compose/EscapeKeyFilter.h"
#include "shell/Utf8.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRegion>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace tavro {

namespace {

constexpr int noteFocusDelayMs = 80;

} // namespace

ComposePanel::ComposePanel(ComposeView* view)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , view_(view) {
    setObjectName(QStringLiteral("noteBox"));
    // Never shown as a title, but names the window to the desktop and to tests.
    setWindowTitle(ComposeTexts::windowTitle());
    setAccessibleName(ComposeTexts::windowTitle());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    view->setParent(this);
    layout->addWidget(view);
}

void ComposePanel::resizeEvent(QResizeEvent* event) {
    // Rounded by the window's shape, which works with or without a compositor.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
    QWidget::resizeEvent(event);
}

ComposePanelController::ComposePanelController(ThumbnailLoader& loader, DefaultGroup defaultGroupID,
                                               QObject* parent)
    : QObject(parent)
    , loader_(loader)
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
    auto* panel = new ComposePanel(view);
    panel_ = panel;
    escapeFilter_ = new EscapeKeyFilter([closing, next = callbacks.onDiscard] {
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
    view->noteEditor()->setFocus(Qt::OtherFocusReason);
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
        panel->hide();
        panel->deleteLater();
    }
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
