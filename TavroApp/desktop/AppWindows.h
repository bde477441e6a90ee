#pragma once

#include <QWidget>

#include <vector>

namespace tavro {

// Whether a top-level widget is one of the app's windows as the user sees them. Qt shows the
// tray icon in an XEmbed tray through a top-level widget of its own; that is the status item,
// not a window: it must not keep the board from reopening, nor be hidden with the windows.
bool isAppWindow(const QWidget* widget);

// "Hide Tavro": every visible titled window of the app leaves the screen, and is remembered.
void hideAppWindows();
// One window leaves the screen the same way: a window without a minimise button cannot be
// minimised on every desktop.
void hideAppWindow(QWidget* window);
// Shows again, in their order, the windows that hideAppWindows() took away and that still
// exist; they are forgotten then.
std::vector<QWidget*> unhideAppWindows();

} // namespace tavro
