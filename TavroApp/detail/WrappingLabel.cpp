#include "detail/WrappingLabel.h"

#include <QEvent>

namespace tavro {

WrappingLabel::WrappingLabel(const QString& text, const QFont& font, DynamicColor color,
                             QWidget* parent)
    : QLabel(parent) {
    forget();
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color.resolved(colours));
    setPalette(colours);
    QLabel::setText(text);
}

void WrappingLabel::setText(const QString& text) {
    if (text == QLabel::text())
        return;
    forget();
    QLabel::setText(text);
}

int WrappingLabel::heightForWidth(int width) const {
    for (const auto& [known, height] : heights_)
        if (known == width)
            return height;
    const int height = QLabel::heightForWidth(width);
    heights_[next_] = {width, height};
    next_ = (next_ + 1) % heights_.size();
    return height;
}

void WrappingLabel::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::ContentsRectChange:
    case QEvent::LanguageChange:
        forget();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

void WrappingLabel::forget() {
    heights_.fill({-1, 0});
    next_ = 0;
}

} // namespace tavro
