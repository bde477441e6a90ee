#pragma once

#include "shell/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

#include <optional>

namespace tavro::StepLayout {

// A rounded fill, optionally outlined by a hairline, behind a step's group of controls.
class RoundedPanel final : public QWidget {
public:
    RoundedPanel(QColor fill, double radius, std::optional<DynamicColor> outline,
                 QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double radius_;
    std::optional<DynamicColor> outline_;
};

// A column inset 24 points with 16 between its items; centred ones sit between two stretches.
QVBoxLayout* column(QWidget* step, bool centred);
// Wrapping text in a font and colour of the theme; `width` fixes the width it wraps at.
QLabel* text(const QString& content, const QFont& font, const DynamicColor& color,
             Qt::Alignment alignment = Qt::AlignLeft, int width = 0);
QFont systemFont(int size, bool semibold);
// A step's title and its wrapping explanation, one above the other.
QWidget* header(const QString& title, const QString& detail);

} // namespace tavro::StepLayout
