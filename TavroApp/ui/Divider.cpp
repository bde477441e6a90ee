#include "ui/Divider.h"

#include "ui/Theme.h"

#include <QPainter>

namespace tavro {

Divider::Divider(QWidget* parent)
    : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Theme::border.resolved(palette()));
}

} // namespace tavro
