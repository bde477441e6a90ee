#include "agents/MCPClientRow.h"

#include "agents/AgentTexts.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/SymbolView.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tavro {

namespace {

// A capsule with a little text: the "not detected" chip.
QLabel* chip(const QString& text, QWidget* parent) {
    auto* label = themedLabel(text, Theme::Font::micro(), Theme::textTertiary, parent);
    const int height = label->fontMetrics().height() + 4;
    label->setStyleSheet(QStringLiteral("QLabel { background: %1; border-radius: %2px; "
                                        "padding: 2px 5px; }")
                             .arg(Theme::surface.resolved(parent->palette()).name())
                             .arg(height / 2));
    label->setFixedHeight(height);
    return label;
}

DynamicColor toneColor(MCPConnectionModel::Tone tone) {
    switch (tone) {
    case MCPConnectionModel::Tone::connected:
        return Theme::statusResolved;
    case MCPConnectionModel::Tone::stale:
        return Theme::statusOpen;
    case MCPConnectionModel::Tone::tertiary:
        break;
    }
    return Theme::textTertiary;
}

} // namespace

MCPClientRow::MCPClientRow(MCPClient client, QWidget* parent)
    : QWidget(parent)
    , client_(client) {
    const MCPClientInfo& info = mcpClientInfo(client);
    const QString name = toQString(info.displayName);
    setAccessibleName(name);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    auto* symbol = new SymbolView(info.icon, 26, Theme::textSecondary, this);
    symbol->setTile(Theme::surface, 7, 13);
    layout->addWidget(symbol);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* title = new QHBoxLayout;
    title->setSpacing(6);
    title->addWidget(themedLabel(name, Theme::Font::headline(), Theme::textPrimary, this));
    chip_ = chip(toQString(AgentTexts::notDetected), this);
    title->addWidget(chip_);
    title->addStretch(1);
    texts->addLayout(title);
    status_ = themedLabel(QString(), Theme::Font::caption(), Theme::textTertiary, this);
    status_->setWordWrap(true);
    texts->addWidget(status_);
    layout->addLayout(texts, 1);

    auto request = [this] {
        emit actionRequested(client_);
    };
    connect_ = new PrimaryButton(toQString(AgentTexts::connect), Theme::accent, this);
    connect_->setAccessibleName(toQString(AgentTexts::connect) + u' ' + name);
    repair_ = new PrimaryButton(toQString(AgentTexts::repair), Theme::statusOpen, this);
    repair_->setAccessibleName(toQString(AgentTexts::repair) + u' ' + name);
    connected_ = new QWidget(this);
    auto* connectedLayout = new QHBoxLayout(connected_);
    connectedLayout->setContentsMargins(0, 0, 0, 0);
    connectedLayout->setSpacing(6);
    connectedLayout->addWidget(
        new SymbolView(Icon::checkmarkCircleFill, 14, Theme::statusResolved, connected_));
    disconnect_ = new SecondaryButton(toQString(AgentTexts::disconnect), connected_);
    disconnect_->setAccessibleName(toQString(AgentTexts::disconnect) + u' ' + name);
    connectedLayout->addWidget(disconnect_);
    for (QAbstractButton* button :
         {static_cast<QAbstractButton*>(connect_), static_cast<QAbstractButton*>(repair_),
          static_cast<QAbstractButton*>(disconnect_)})
        QObject::connect(button, &QAbstractButton::clicked, this, request);
    layout->addWidget(connect_);
    layout->addWidget(repair_);
    layout->addWidget(connected_);
}

void MCPClientRow::setRow(const MCPConnectionModel::Row& row) {
    chip_->setVisible(row.notDetected);
    status_->setText(toQString(row.statusLine));
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, toneColor(row.tone).resolved(this->palette()));
    status_->setPalette(palette);
    // The button that replaces a focused one takes the focus over before that one hides, or the
    // focus would move on to the next client's button.
    QAbstractButton* before = actionButton();
    const bool focused = before->hasFocus();
    const std::pair<QWidget*, bool> shown[] = {
        {connect_, row.action == MCPConnectionModel::Action::connect},
        {repair_, row.action == MCPConnectionModel::Action::repair},
        {connected_, row.action == MCPConnectionModel::Action::disconnect},
    };
    for (const auto& [widget, visible] : shown)
        if (visible)
            widget->setVisible(true);
    QAbstractButton* after = actionButton(row.action);
    if (focused && after != before)
        after->setFocus(Qt::OtherFocusReason);
    for (const auto& [widget, visible] : shown)
        if (!visible)
            widget->setVisible(false);
}

QAbstractButton* MCPClientRow::actionButton(MCPConnectionModel::Action action) const {
    switch (action) {
    case MCPConnectionModel::Action::repair:
        return repair_;
    case MCPConnectionModel::Action::disconnect:
        return disconnect_;
    case MCPConnectionModel::Action::connect:
        break;
    }
    return connect_;
}

QString MCPClientRow::statusText() const {
    return status_->text();
}

bool MCPClientRow::showsNotDetected() const {
    return !chip_->isHidden();
}

QAbstractButton* MCPClientRow::actionButton() const {
    if (!repair_->isHidden())
        return repair_;
    if (!connected_->isHidden())
        return disconnect_;
    return connect_;
}

} // namespace tavro
