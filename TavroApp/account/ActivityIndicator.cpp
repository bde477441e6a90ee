#include "account/ActivityIndicator.h"

#include "ui/Theme.h"

#include <QPainter>

namespace tavro {

ActivityIndicator::ActivityIndicator(int size, QWidget* parent)
    : QWidget(parent)
    , size_(size) {
    setFixedSize(size, size);
    setAccessibleName(QStringLiteral("In progress"));
    timer_.setInterval(80);
    connect(&timer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + 30) % 360;
        update();
    });
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pen = size_ / 7.0;
    const QRectF circle = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    painter.setPen(QPen(Theme::border.resolved(palette()), pen));
    painter.drawEllipse(circle);
    painter.setPen(
        QPen(Theme::textSecondary.resolved(palette()), pen, Qt::SolidLine, Qt::RoundCap));
    // Qt's angles run counter-clockwise in sixteenths of a degree.
    painter.drawArc(circle, -angle_ * 16, 100 * 16);
}

void ActivityIndicator::showEvent(QShowEvent*) {
    timer_.start();
}

void ActivityIndicator::hideEvent(QHideEvent*) {
    timer_.stop();
}

} // namespace tavro
