#include "compose/EscapeKeyFilter.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QWidget>

namespace tavro {

EscapeKeyFilter::EscapeKeyFilter(std::function<void()> onEscape, QObject* parent)
    : QObject(parent)
    , onEscape_(std::move(onEscape)) {
    qApp->installEventFilter(this);
    installed_ = true;
}

EscapeKeyFilter::~EscapeKeyFilter() {
    uninstall();
}

void EscapeKeyFilter::uninstall() {
    if (!installed_)
        return;
    installed_ = false;
    if (qApp)
        qApp->removeEventFilter(this);
}

bool EscapeKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (!installed_)
        return false;
    if (event->type() == QEvent::InputMethod) {
        composing_ = !static_cast<QInputMethodEvent*>(event)->preeditString().isEmpty();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || (key->modifiers() & Qt::ControlModifier) || composing_ ||
        QApplication::activePopupWidget())
        return false;
    // A window that bypasses the window manager takes the keyboard itself (the selection
    // overlay, open for a stored capture while the box waits): its Escape cancels it, not the box.
    if (const auto* widget = qobject_cast<QWidget*>(watched);
        widget && widget->window()->windowFlags().testFlag(Qt::X11BypassWindowManagerHint))
        return false;
    // Copied: the callback usually ends this filter's box.
    const auto onEscape = onEscape_;
    if (onEscape)
        onEscape();
    return true;
}

} // namespace tavro
