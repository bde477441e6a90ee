#include "ui/SymbolLabel.h"

#include <QPainter>

namespace tavro {

SymbolLabel::SymbolLabel(Icon icon, int size, DynamicColor color, double weight, QWidget* parent)
    : QWidget(parent)
    , icon_(icon)
    , color_(color)
    , weight_(weight) {
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintIcon(painter, icon_, QRectF(rect()), color_.resolved(palette()), weight_);
}

} // namespace tavro
