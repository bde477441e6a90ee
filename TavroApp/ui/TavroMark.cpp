#include "ui/TavroMark.h"

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tavro {

TavroMark::TavroMark(int size, QWidget* parent)
    : QWidget(parent)
    , size_(size) {
    setFixedSize(size, size);
    setAccessibleName(QStringLiteral("Tavro"));
}

void TavroMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0, 0, size_, size_);
    const QColor accent = Theme::accent.resolved(palette());
    QColor faded = accent;
    faded.setAlphaF(0.72f);
    QLinearGradient gradient(tile.topLeft(), tile.bottomRight());
    gradient.setColorAt(0, accent);
    gradient.setColorAt(1, faded);
    QPainterPath shape;
    shape.addRoundedRect(tile, size_ * 0.28, size_ * 0.28);
    painter.fillPath(shape, gradient);
    const double symbol = size_ * 0.56;
    paintIcon(painter, Icon::viewfinder,
              QRectF(tile.center() - QPointF(symbol / 2, symbol / 2), QSizeF(symbol, symbol)),
              Qt::white, 1.4);
}

} // namespace tavro
