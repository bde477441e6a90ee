#include "ui/RoundedPanel.h"

#include <QPainter>

namespace tavro {

RoundedPanel::RoundedPanel(DynamicColor fill, double radius, QWidget* parent)
    : RoundedPanel(fill, radius, Theme::border, parent) {}

RoundedPanel::RoundedPanel(DynamicColor fill, double radius, std::optional<DynamicColor> outline,
                           QWidget* parent)
    : QWidget(parent)
    , fill_(fill)
    , radius_(radius)
    , outline_(outline) {}

void RoundedPanel::setFillOpacity(double opacity) {
    fillOpacity_ = opacity;
    update();
}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = fill_.resolved(palette());
    fill.setAlphaF(static_cast<float>(fillOpacity_));
    painter.setBrush(fill);
    painter.setPen(outline_ ? QPen(outline_->resolved(palette()), 0.5) : QPen(Qt::NoPen));
    // Half the pen inside the edge, so the whole line shows.
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), radius_, radius_);
}

} // namespace tavro
