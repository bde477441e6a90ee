#include "shell/AppWindows.h"

namespace tavro {

bool isAppWindow(const QWidget* widget) {
    if (!widget || !widget->isWindow())
        return false;
    if (widget->inherits("QSystemTrayIconSys") ||
        widget->objectName() == QStringLiteral("QSystemTrayIconSys"))
        return false;
    const Qt::WindowType type = widget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop;
}

} // namespace tavro
