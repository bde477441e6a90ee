#include "shell/WindowRoles.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace tavro {

namespace {

constexpr char dialogProperty[] = "tavroAccessibleDialog";

// Asked first with the window's own class: only the app's window classes, so that the toolkit's
// own windows (menus, message boxes, dialogs) keep the interfaces they have.
QAccessibleInterface* windowAccessible(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (!widget->isWindow() || className != QLatin1String(object->metaObject()->className()) ||
        !className.startsWith(QLatin1String("tavro::")))
        return nullptr;
    switch (widget->windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
        return nullptr;
    default:
        break;
    }
    const bool dialog = widget->property(dialogProperty).toBool();
    return new QAccessibleWidget(widget, dialog ? QAccessible::Dialog : QAccessible::Window);
}

} // namespace

void exposeWindowRoles() {
    static const bool installed = [] {
        QAccessible::installFactory(windowAccessible);
        return true;
    }();
    (void)installed;
}

void exposeAsDialog(QWidget* window) {
    window->setProperty(dialogProperty, true);
}

} // namespace tavro
