#pragma once

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QWidget>

namespace tavro {

// A symbol drawn at a fixed size, taking no clicks.
class SymbolLabel final : public QWidget {
    Q_OBJECT

public:
    SymbolLabel(Icon icon, int size, DynamicColor color, double weight = 1.0,
                QWidget* parent = nullptr);
    Icon icon() const { return icon_; }
    DynamicColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Icon icon_;
    DynamicColor color_;
    double weight_;
};

} // namespace tavro
