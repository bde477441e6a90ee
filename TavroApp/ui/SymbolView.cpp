#include "ui/SymbolView.h"

#include <QPainter>

namespace tavro {

SymbolView::SymbolView(Icon icon, int size, DynamicColor color, QWidget* parent)
    : QWidget(parent)
    , icon_(icon)
    , size_(size)
    , color_(color)
    , symbolSize_(size) {
    setFixedSize(size, size);
}

void SymbolView::setTile(DynamicColor fill, double radius, int symbolSize) {
    tile_ = fill;
    radius_ = radius;
    symbolSize_ = symbolSize;
    update();
}

void SymbolView::setIcon(Icon icon, DynamicColor color) {
    icon_ = icon;
    color_ = color;
    update();
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    if (tile_) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(tile_->resolved(palette()));
        painter.drawRoundedRect(bounds, radius_, radius_);
    }
    const double side = symbolSize_;
    paintIcon(painter, icon_,
              QRectF(bounds.center() - QPointF(side / 2, side / 2), QSizeF(side, side)),
              color_.resolved(palette()));
}

} // namespace tavro
