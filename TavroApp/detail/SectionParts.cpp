#include "detail/SectionParts.h"

#include <QVBoxLayout>
#include <QWidget>

namespace tavro {

QVBoxLayout* sectionStack(QWidget* section) {
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    return layout;
}

void setTextColor(QWidget* widget, const DynamicColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color.resolved(widget->palette()));
    widget->setPalette(palette);
}

} // namespace tavro
