#pragma once

#include <QWidget>

namespace tavro {

// Whether a top-level widget is one of the app's windows as the user sees them. Qt shows the
// tray icon in an XEmbed tray through a top-level widget of its own; that is the status item,
// not a window: it must not keep the board from reopening, nor be hidden with the windows.
bool isAppWindow(const QWidget* widget);

} // namespace tavro
