#include "desktop/AppWindows.h"

#include <QApplication>
#include <QPointer>

#include <utility>

namespace tavro {

namespace {

std::vector<QPointer<QWidget>>& hiddenByHide() {
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

} // namespace

bool isAppWindow(const QWidget* widget) {
    if (!widget || !widget->isWindow())
        return false;
    if (widget->inherits("QSystemTrayIconSys") ||
        widget->objectName() == QStringLiteral("QSystemTrayIconSys"))
        return false;
    const Qt::WindowType type = widget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop;
}

void hideAppWindow(QWidget* window) {
    if (!window || !window->isVisible())
        return;
    hiddenByHide().emplace_back(window);
    window->hide();
}

void hideAppWindows() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowType() == Qt::Window && isAppWindow(window))
            hideAppWindow(window);
}

std::vector<QWidget*> unhideAppWindows() {
    std::vector<QWidget*> shown;
    for (const QPointer<QWidget>& window : std::exchange(hiddenByHide(), {}))
        if (window && !window->isVisible()) {
            window->show();
            shown.push_back(window);
        }
    return shown;
}

} // namespace tavro
