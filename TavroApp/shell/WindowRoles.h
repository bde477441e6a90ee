#pragma once

class QWidget;

namespace tavro {

// Screen readers find each of the app's own top-level windows as a frame, or as a dialog where
// marked so: the toolkit exposes a window made of a plain widget with the role of a filler,
// which a screen reader does not take for a window. Installed once, before the first window.
void exposeWindowRoles();
// `window` is a dialog to a screen reader: a box that asks for something and goes. Before its
// interface is first made, which setting its title or accessible name does.
void exposeAsDialog(QWidget* window);

} // namespace tavro
