#pragma once

#include "ui/Theme.h"

class QVBoxLayout;
class QWidget;

namespace tavro {

// The stack each section of the detail pane's side column is: no margins, 8 between its parts.
QVBoxLayout* sectionStack(QWidget* section);
// Text (the window text role) in one of the theme's colours.
void setTextColor(QWidget* widget, const DynamicColor& color);

} // namespace tavro
