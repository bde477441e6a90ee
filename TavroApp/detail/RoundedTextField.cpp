#include "detail/RoundedTextField.h"

#include "ui/PlainField.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace tavro {

RoundedTextField::RoundedTextField(const QString& placeholder, const QFont& font, QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(7, 5, 7, 5);
    edit_ = new QLineEdit(this);
    edit_->setFrame(false);
    edit_->setPlaceholderText(placeholder);
    edit_->setTextMargins(0, 0, 0, 0);
    plainField(edit_, font);
    edit_->installEventFilter(this);
    layout->addWidget(edit_);
    setFocusProxy(edit_);
}

bool RoundedTextField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        update();
    return QWidget::eventFilter(watched, event);
}

void RoundedTextField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool focused = edit_->hasFocus();
    painter.setBrush(Theme::surfaceRaised.resolved(palette()));
    painter.setPen(QPen((focused ? Theme::accent : Theme::borderStrong).resolved(palette()),
                        focused ? 1.5 : 1));
    const double inset = focused ? 0.75 : 0.5;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 6, 6);
}

} // namespace tavro
