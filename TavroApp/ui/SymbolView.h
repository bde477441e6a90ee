#pragma once

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QWidget>

#include <optional>

namespace tavro {

// One of the app's symbols, `size` points square, in a colour of the theme; optionally on a
// rounded tile.
class SymbolView final : public QWidget {
    Q_OBJECT

public:
    SymbolView(Icon icon, int size, DynamicColor color, QWidget* parent = nullptr);
    // Draws the symbol at `symbolSize` inside a tile of the view's size.
    void setTile(DynamicColor fill, double radius, int symbolSize);
    void setIcon(Icon icon, DynamicColor color);

    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Icon icon_;
    int size_;
    DynamicColor color_;
    std::optional<DynamicColor> tile_;
    double radius_ = 0;
    int symbolSize_;
};

} // namespace tavro
