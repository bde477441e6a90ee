#include "account/SyncLogGroup.h"

#include "account/AccountTexts.h"
#include "ui/DisclosureButton.h"
#include "ui/Labels.h"
#include "ui/RelativeTime.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tavro {

namespace {

QWidget* logRow(const AccountPaneModel::LogRow& line, std::vector<QLabel*>& ages) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    QLabel* age = themedLabel(RelativeTime::string(line.at), Theme::Font::caption(),
                              Theme::textTertiary, nullptr);
    age->setFixedWidth(64);
    age->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ages.push_back(age);
    layout->addWidget(age, 0, Qt::AlignTop);
    QLabel* message =
        themedLabel(toQString(line.message), Theme::Font::caption(), line.color, nullptr);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(message, 1, Qt::AlignTop);
    return row;
}

} // namespace

SyncLogGroup::SyncLogGroup(QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    toggle_ = new DisclosureButton(toQString(AccountTexts::syncLog));
    toggle_->setAccessibleName(toggle_->text());
    layout->addWidget(toggle_, 0, Qt::AlignLeft);
    lines_ = new QWidget;
    rows_ = new QVBoxLayout(lines_);
    rows_->setContentsMargins(15, 0, 0, 0);
    rows_->setSpacing(6);
    layout->addWidget(lines_);
    lines_->setVisible(false);
    connect(toggle_, &QAbstractButton::toggled, lines_, &QWidget::setVisible);
    render({});
}

bool SyncLogGroup::isOpen() const {
    return toggle_->isChecked();
}

void SyncLogGroup::setOpen(bool open) {
    toggle_->setChecked(open);
}

void SyncLogGroup::render(const std::vector<AccountPaneModel::LogRow>& rows) {
    if (rows == shown_ && rows_->count() > 0) {
        // The same lines, older now: only their ages change.
        for (size_t i = 0; i < ages_.size(); ++i)
            ages_[i]->setText(RelativeTime::string(rows[i].at));
        return;
    }
    shown_ = rows;
    ages_.clear();
    while (QLayoutItem* item = rows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (rows.empty())
        rows_->addWidget(themedLabel(toQString(AccountTexts::nothingYet), Theme::Font::caption(),
                                     Theme::textTertiary, nullptr));
    for (const AccountPaneModel::LogRow& line : rows)
        rows_->addWidget(logRow(line, ages_));
}

} // namespace tavro
