#include "agents/CodeBlock.h"

#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/RoundedPanel.h"

#include <QHBoxLayout>
#include <QLabel>

namespace tavro {

CodeBlock::CodeBlock(const QString& text, QWidget* parent)
    : QWidget(parent) {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new RoundedPanel(Theme::surface, 6, this);
    outer->addWidget(panel);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(9, 9, 9, 9);
    text_ = themedLabel(text, Theme::Font::mono(), Theme::textSecondary, panel);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setAccessibleName(text);
    layout->addWidget(text_, 1, Qt::AlignTop);
    layout->addSpacing(8);
    copy_ = new IconButton(Icon::docOnDoc, 26, panel);
    copy_->setAccessibleName(QStringLiteral("Copy"));
    copy_->setToolTip(QStringLiteral("Copy"));
    layout->addWidget(copy_, 0, Qt::AlignTop);
    connect(copy_, &IconButton::clicked, this, [this] { emit copyRequested(text_->text()); });
}

QString CodeBlock::text() const {
    return text_->text();
}

void CodeBlock::setText(const QString& text) {
    text_->setText(text);
    text_->setAccessibleName(text);
}

void CodeBlock::setCopied(bool copied) {
    copy_->setSymbol(copied ? Icon::checkmark : Icon::docOnDoc);
}

bool CodeBlock::showsCopied() const {
    return copy_->symbol() == Icon::checkmark;
}

} // namespace tavro
