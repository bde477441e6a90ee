#include "account/RoundedPanel.h"

#include <QPainter>

namespace tavro {

RoundedPanel::RoundedPanel(DynamicColor fill, double radius, QWidget* parent)
    : QWidget(parent)
    , fill_(fill)
    , radius_(radius) {}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(fill_.resolved(palette()));
    painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
    // Half the pen inside the edge, so the whole line shows.
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), radius_, radius_);
}

} // namespace tavro
