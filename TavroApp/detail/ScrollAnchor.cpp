#include "detail/ScrollAnchor.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace tavro {

ScrollAnchor::ScrollAnchor(QScrollArea& area, QWidget& anchor)
    : QObject(&area)
    , area_(area)
    , anchor_(&anchor) {
    // The anchor moves in the content when it or any widget between it and the content does.
    for (QWidget* at = &anchor; at && at != area.widget(); at = at->parentWidget())
        at->installEventFilter(this);
    QScrollBar* bar = area.verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this] {
        if (!keeping_)
            remember();
    });
    // The content's new height reaches the scroll bar after the anchor has moved.
    connect(bar, &QScrollBar::rangeChanged, this, [this] { keep(); });
    remember();
}

int ScrollAnchor::anchorTop() const {
    QWidget* content = area_.widget();
    return anchor_ && content ? anchor_->mapTo(content, QPoint(0, 0)).y() : 0;
}

void ScrollAnchor::remember() {
    if (!anchor_)
        return;
    offset_ = anchorTop() - area_.verticalScrollBar()->value();
    inView_ = anchor_->isVisible() && offset_ + anchor_->height() > 0 &&
              offset_ < area_.viewport()->height();
}

void ScrollAnchor::keep() {
    if (!anchor_ || !inView_)
        return;
    QScrollBar* bar = area_.verticalScrollBar();
    keeping_ = true;
    bar->setValue(anchorTop() - offset_);
    keeping_ = false;
    // Once the layout pass is over, the place the anchor has is the one to keep: where nothing
    // can scroll (a short thread), it stays where the growth above took it.
    if (settling_)
        return;
    settling_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            settling_ = false;
            remember();
        },
        Qt::QueuedConnection);
}

bool ScrollAnchor::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
        keep();
        break;
    case QEvent::Show:
    case QEvent::Resize:
        if (watched == anchor_)
            remember();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavro
