#include "compose/MarkupCanvas.h"

#include "compose/MarkupDraftPainter.h"
#include "ui/Theme.h"
#include "values/QtImage.h"
#include "values/Utf8.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

namespace tavro {

namespace {

CanvasPoint canvasPoint(const QMouseEvent* event) {
    return {event->position().x(), event->position().y()};
}

// One committed shape, for screen readers: its tool's name and where it lies.
class ShapeAccessible final : public QAccessibleInterface {
public:
    ShapeAccessible(MarkupCanvas* canvas, MarkupEditorState& state, int index)
        : canvas_(canvas)
        , state_(state)
        , index_(index) {}

    bool isValid() const override { return canvas_ && index_ < int(state_.shapes().size()); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return canvas_->windowHandle(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(canvas_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid())
            return {};
        return toQString(displayName(state_.shapes()[size_t(index_)].tool));
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const AnnotationShape& shape = state_.shapes()[size_t(index_)];
        if (shape.points.empty())
            return {};
        const CanvasRect frame = canvas_->frame();
        QRectF area = MarkupDraftPainter::outline(shape, frame).boundingRect();
        area.translate(frame.x, frame.y);
        return QRect(canvas_->mapToGlobal(area.topLeft().toPoint()), area.size().toSize());
    }
    QAccessible::Role role() const override { return QAccessible::Graphic; }
    QAccessible::State state() const override { return {}; }

private:
    MarkupCanvas* canvas_;
    MarkupEditorState& state_;
    int index_;
};

// The canvas lists the committed shapes as its children.
class CanvasAccessible final : public QAccessibleWidget {
public:
    CanvasAccessible(MarkupCanvas* canvas, MarkupEditorState& state)
        : QAccessibleWidget(canvas, QAccessible::Canvas)
        , state_(state) {}

    int childCount() const override { return int(state_.shapes().size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto* canvas = static_cast<MarkupCanvas*>(widget());
        while (int(shapes_.size()) <= index)
            shapes_.push_back(QAccessible::registerAccessibleInterface(
                new ShapeAccessible(canvas, state_, int(shapes_.size()))));
        return QAccessible::accessibleInterface(shapes_[size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (size_t i = 0; i < shapes_.size(); ++i)
            if (QAccessible::accessibleInterface(shapes_[i]) == child)
                return int(i) < childCount() ? int(i) : -1;
        return -1;
    }
    ~CanvasAccessible() override {
        for (auto id : shapes_)
            QAccessible::deleteAccessibleInterface(id);
    }

private:
    MarkupEditorState& state_;
    mutable std::vector<QAccessible::Id> shapes_;
};

QAccessibleInterface* canvasAccessible(const QString& className, QObject* object);

} // namespace

MarkupCanvas::MarkupCanvas(MarkupEditorState& state, QWidget* parent)
    : QWidget(parent)
    , state_(state) {
    static const bool installed = [] {
        QAccessible::installFactory(canvasAccessible);
        return true;
    }();
    (void)installed;
    setAccessibleName(QStringLiteral("Screenshot"));
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
    setMinimumSize(120, 90);
}

CanvasRect MarkupCanvas::frame() const {
    const CanvasRect inner = MarkupGeometry::fittedRect(
        width() - 2.0 * padding, height() - 2.0 * padding, state_.originalSize());
    if (inner.isEmpty())
        return {};
    return {inner.x + padding, inner.y + padding, inner.width, inner.height};
}

void MarkupCanvas::previewChanged() {
    shownValid_ = false;
    update();
}

const QPixmap& MarkupCanvas::shownPreview() {
    if (shownValid_)
        return shown_;
    shownValid_ = true;
    shown_ = QPixmap();
    const CanvasRect f = frame();
    const QImage preview = QtImage::view(state_.preview());
    if (f.isEmpty() || preview.isNull())
        return shown_;
    const qreal ratio = devicePixelRatioF();
    shown_ =
        QPixmap::fromImage(preview.scaled(QSize(qRound(f.width * ratio), qRound(f.height * ratio)),
                                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    shown_.setDevicePixelRatio(ratio);
    return shown_;
}

void MarkupCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::surfaceSunken.resolved(palette()));
    const CanvasRect f = frame();
    const QPixmap& shown = shownPreview();
    if (shown.isNull())
        return;
    painter.drawPixmap(QRectF(f.x, f.y, f.width, f.height), shown, QRectF(shown.rect()));
    if (const AnnotationShape* draft = state_.draft()) {
        draftLayer_.update(*draft, f, devicePixelRatioF());
        draftLayer_.paint(painter);
    }
}

void MarkupCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    start_ = canvasPoint(event);
    state_.dragChanged(start_, start_, frame());
    update();
}

void MarkupCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || state_.drag() == MarkupEditorState::Drag::idle)
        return;
    state_.dragChanged(start_, canvasPoint(event), frame());
    update();
}

void MarkupCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const bool kept = state_.dragEnded();
    draftLayer_.reset();
    update();
    if (kept) {
        previewChanged();
        emit shapeCommitted();
    }
}

void MarkupCanvas::resizeEvent(QResizeEvent*) {
    shownValid_ = false;
}

namespace {

QAccessibleInterface* canvasAccessible(const QString&, QObject* object) {
    auto* canvas = qobject_cast<MarkupCanvas*>(object);
    return canvas ? new CanvasAccessible(canvas, canvas->state()) : nullptr;
}

} // namespace

} // namespace tavro
