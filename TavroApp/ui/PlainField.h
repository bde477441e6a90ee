#pragma once

class QFont;
class QWidget;

namespace tavro {

// Text fields drawn by their container: no frame, no fill, the theme's ink and placeholder.
void plainField(QWidget* field, const QFont& font);

} // namespace tavro
