#include "agents/MCPConnectionList.h"

#include "agents/AgentTexts.h"
#include "agents/AgentWarning.h"
#include "agents/CodeBlock.h"
#include "agents/MCPClientRow.h"
#include "ui/DisclosureButton.h"
#include "ui/Divider.h"
#include "ui/Labels.h"
#include "ui/PlatformTexts.h"
#include "ui/RoundedPanel.h"
#include "values/Utf8.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QShowEvent>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace tavro {

namespace {

constexpr int copiedMilliseconds = 1600;

QLabel* caption(std::string_view text, QWidget* parent) {
    auto* label =
        themedLabel(toQString(text), Theme::Font::caption(), Theme::textSecondary, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

MCPConnectionList::MCPConnectionList(MCPInstaller installer, QWidget* parent)
    : QWidget(parent)
    , model_(std::move(installer)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    serverWarning_ = new AgentWarning(toQString(PlatformTexts::agentServerMissing), this);
    layout->addWidget(serverWarning_);

    auto* list = new RoundedPanel(Theme::surfaceSunken, 14, this);
    list->setAccessibleName(QStringLiteral("Agent clients"));
    rowsLayout_ = new QVBoxLayout(list);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(0);
    for (const MCPClientInfo& info : mcpClients()) {
        auto* row = new MCPClientRow(info.client, list);
        connect(row, &MCPClientRow::actionRequested, this, &MCPConnectionList::act);
        rows_[info.client] = row;
    }
    for (std::size_t i = 1; i < rows_.size(); ++i)
        dividers_.push_back(new Divider(list));
    layout->addWidget(list);

    errorWarning_ = new AgentWarning(QString(), this);
    layout->addWidget(errorWarning_);

    manualToggle_ = new DisclosureButton(toQString(AgentTexts::manualToggle), this);
    layout->addWidget(manualToggle_, 0, Qt::AlignLeft);
    manual_ = new QWidget(this);
    auto* manual = new QVBoxLayout(manual_);
    manual->setContentsMargins(0, 8, 0, 0);
    manual->setSpacing(8);
    manual->addWidget(caption(AgentTexts::manualCommandCaption, manual_));
    commandBlock_ = new CodeBlock(toQString(model_.manualCommand()), manual_);
    manual->addWidget(commandBlock_);
    auto* snippetCaption = caption(AgentTexts::manualSnippetCaption, manual_);
    snippetCaption->setContentsMargins(0, 4, 0, 0);
    manual->addWidget(snippetCaption);
    snippetBlock_ = new CodeBlock(toQString(model_.manualSnippet()), manual_);
    manual->addWidget(snippetBlock_);
    for (CodeBlock* block : {commandBlock_, snippetBlock_})
        connect(block, &CodeBlock::copyRequested, this, &MCPConnectionList::copy);
    manual_->setVisible(false);
    connect(manualToggle_, &DisclosureButton::toggled, manual_, &QWidget::setVisible);
    layout->addWidget(manual_);

    auto* hint = caption(AgentTexts::restartHint, this);
    QPalette palette = hint->palette();
    palette.setColor(QPalette::WindowText, Theme::textTertiary.resolved(this->palette()));
    hint->setPalette(palette);
    layout->addWidget(hint);

    showState();
}

std::vector<MCPClientRow*> MCPConnectionList::rows() const {
    std::vector<MCPClientRow*> ordered;
    for (int i = 0; i < rowsLayout_->count(); ++i)
        if (auto* row = qobject_cast<MCPClientRow*>(rowsLayout_->itemAt(i)->widget()))
            ordered.push_back(row);
    return ordered;
}

void MCPConnectionList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void MCPConnectionList::refresh() {
    run([](MCPConnectionModel& model) { model.refresh(); });
}

void MCPConnectionList::run(Job job, bool action) {
    queued_.emplace_back(std::move(job), action);
    if (!busy_)
        runNext();
}

void MCPConnectionList::runNext() {
    if (queued_.empty()) {
        busy_ = false;
        return;
    }
    busy_ = true;
    auto [job, action] = std::move(queued_.front());
    queued_.erase(queued_.begin());
    auto work = std::make_shared<MCPConnectionModel>(model_);
    QPointer<MCPConnectionList> self(this);
    QThreadPool::globalInstance()->start(
        [work, job = std::move(job), action = action, self]() mutable {
            job(*work);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [work, action, self = std::move(self)] {
                    if (!self)
                        return;
                    if (action)
                        self->actionPending_ = false;
                    self->model_ = *work;
                    self->showState();
                    self->runNext();
                },
                Qt::QueuedConnection);
        });
}

void MCPConnectionList::showState() {
    serverWarning_->setVisible(model_.serverMissing());
    while (rowsLayout_->count() > 0)
        delete rowsLayout_->takeAt(0);
    std::size_t position = 0;
    for (MCPClient client : model_.orderedClients()) {
        if (position > 0)
            rowsLayout_->addWidget(dividers_[position - 1]);
        MCPClientRow* row = rows_.at(client);
        row->setRow(model_.row(client));
        rowsLayout_->addWidget(row);
        ++position;
    }
    errorWarning_->setVisible(model_.error().has_value());
    errorWarning_->setMessage(toQString(model_.error().value_or(std::string())));
    snippetBlock_->setText(toQString(model_.manualSnippet()));
}

void MCPConnectionList::act(MCPClient client) {
    // A second press before the first one's outcome shows would act on a row that is out of
    // date (Connect twice reads as Connect, then Disconnect).
    if (actionPending_)
        return;
    actionPending_ = true;
    run([client](MCPConnectionModel& model) { model.act(client); }, true);
}

void MCPConnectionList::copy(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    setCopied(true);
    // Not restarted by a second copy: the mark goes 1.6 s after the first.
    QTimer::singleShot(copiedMilliseconds, this, [this] { setCopied(false); });
}

void MCPConnectionList::setCopied(bool copied) {
    for (CodeBlock* block : {commandBlock_, snippetBlock_})
        block->setCopied(copied);
}

} // namespace tavro
