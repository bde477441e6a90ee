#include "onboarding/StepLayout.h"

#include "ui/Labels.h"

namespace tavro::StepLayout {

QVBoxLayout* column(QWidget* step, bool centred) {
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    if (centred)
        layout->addStretch(1);
    return layout;
}

QLabel* text(const QString& content, const QFont& font, const DynamicColor& color,
             Qt::Alignment alignment, int width) {
    auto* label = plainLabel(content);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(alignment);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color.resolved(palette));
    label->setPalette(palette);
    // A wrapping label placed by alignment takes the width of its first line; a fixed width lets
    // it break its lines where the column does.
    if (width > 0) {
        label->setFixedWidth(width);
        label->setMinimumHeight(label->heightForWidth(width));
    }
    return label;
}

QFont systemFont(int size, bool semibold) {
    QFont font = Theme::Font::body();
    font.setPixelSize(size);
    font.setWeight(semibold ? QFont::DemiBold : QFont::Normal);
    return font;
}

QWidget* header(const QString& title, const QString& detail) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(text(title, systemFont(20, true), Theme::textPrimary));
    layout->addWidget(text(detail, Theme::Font::body(), Theme::textSecondary));
    return box;
}

} // namespace tavro::StepLayout
