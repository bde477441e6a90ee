#pragma once

#include "ui/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tavro::StepLayout {

// A column inset 24 points with 16 between its items; centred ones sit between two stretches.
QVBoxLayout* column(QWidget* step, bool centred);
// Wrapping text in a font and colour of the theme; `width` fixes the width it wraps at.
QLabel* text(const QString& content, const QFont& font, const DynamicColor& color,
             Qt::Alignment alignment = Qt::AlignLeft, int width = 0);
QFont systemFont(int size, bool semibold);
// A step's title and its wrapping explanation, one above the other.
QWidget* header(const QString& title, const QString& detail);

} // namespace tavro::StepLayout
