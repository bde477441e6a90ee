#include "ui/PlainField.h"

#include "ui/Theme.h"

#include <QWidget>

namespace tavro {

void plainField(QWidget* field, const QFont& font) {
    field->setFont(font);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::textPrimary.resolved(field->palette()));
    palette.setColor(QPalette::PlaceholderText, Theme::textTertiary.resolved(field->palette()));
    field->setPalette(palette);
    field->setAutoFillBackground(false);
}

} // namespace tavro
