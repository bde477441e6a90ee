#include "agents/AgentWarning.h"

#include "ui/Labels.h"
#include "ui/SymbolView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace tavro {

AgentWarning::AgentWarning(const QString& message, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(9, 9, 9, 9);
    layout->setSpacing(8);
    auto* symbol = new SymbolView(Icon::exclamationmarkTriangleFill, 11, Theme::statusOpen, this);
    layout->addWidget(symbol, 0, Qt::AlignTop);
    text_ = themedLabel(message, Theme::Font::caption(), Theme::textSecondary, this);
    text_->setWordWrap(true);
    layout->addWidget(text_, 1, Qt::AlignTop);
    setAccessibleName(message);
}

void AgentWarning::setMessage(const QString& message) {
    text_->setText(message);
    setAccessibleName(message);
}

QString AgentWarning::message() const {
    return text_->text();
}

void AgentWarning::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor tint = Theme::statusOpen.resolved(palette());
    tint.setAlphaF(0.09f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}

} // namespace tavro
