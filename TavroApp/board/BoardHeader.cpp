#include "board/BoardHeader.h"

#include "board/HeaderControls.h"
#include "ui/Buttons.h"
#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/ShownText.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace tavro {

namespace {

QString searchPlaceholder() {
    return QStringLiteral("Search notes, apps, URLs…");
}

QString sortText() {
    return QStringLiteral("Sort");
}

QLabel* symbolLabel(Icon icon, const QColor& color, int size, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(iconImage(icon, color, size).pixmap(size, size));
    label->setFixedSize(size, size);
    return label;
}

} // namespace

BoardHeader::BoardHeader(QWidget* parent)
    : QWidget(parent) {
    setAccessibleName(QStringLiteral("Board header"));
    const QPalette colours = palette();
    auto* row = new QHBoxLayout(this);
    // One more pixel below for the divider.
    row->setContentsMargins(24, 12, 24, 13);
    row->setSpacing(12);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    title_ = plainLabel({}, this);
    title_->setFont(Theme::Font::display());
    title_->setMinimumWidth(40);
    QPalette primary = colours;
    primary.setColor(QPalette::WindowText, Theme::textPrimary.resolved(colours));
    title_->setPalette(primary);
    subtitle_ = plainLabel({}, this);
    subtitle_->setFont(Theme::Font::caption());
    QPalette tertiary = colours;
    tertiary.setColor(QPalette::WindowText, Theme::textTertiary.resolved(colours));
    subtitle_->setPalette(tertiary);
    texts->addWidget(title_);
    texts->addWidget(subtitle_);
    row->addLayout(texts);
    row->addSpacing(16 - row->spacing());
    row->addStretch(1);

    auto* frame = new BoardSearchFrame(this);
    auto* field = new QHBoxLayout(frame);
    field->setContentsMargins(9, 6, 9, 6);
    field->setSpacing(6);
    field->addWidget(
        symbolLabel(Icon::magnifyingglass, Theme::textTertiary.resolved(colours), 11, frame));
    search_ = new QLineEdit(frame);
    search_->setFrame(false);
    search_->setFont(Theme::Font::callout());
    search_->setPlaceholderText(searchPlaceholder());
    search_->setAccessibleName(QStringLiteral("Search"));
    search_->setAccessibleDescription(searchPlaceholder());
    // 200 wide while there is room; a narrow window squeezes it before its own minimum.
    search_->setMinimumWidth(80);
    search_->setMaximumWidth(200);
    QPalette clear = search_->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    clear.setColor(QPalette::Text, Theme::textPrimary.resolved(colours));
    clear.setColor(QPalette::PlaceholderText, Theme::textTertiary.resolved(colours));
    search_->setPalette(clear);
    field->addWidget(search_);
    clear_ = new IconButton(Icon::xmarkCircleFill, 14, frame);
    clear_->setAccessibleName(QStringLiteral("Clear search"));
    clear_->setToolTip(QStringLiteral("Clear search"));
    clear_->setFocusPolicy(Qt::TabFocus);
    clear_->hide();
    field->addWidget(clear_);
    // Padding, symbol, the field and room for the clear button; no wider.
    frame->setMaximumWidth(9 + 11 + 6 + 200 + 6 + 14 + 9);
    row->addWidget(frame, 1);
    connect(search_, &QLineEdit::textChanged, this,
            [this](const QString& text) { clear_->setVisible(!text.isEmpty()); });
    // Every change but the board's own: typing, the clear button, and a screen reader or other
    // assistive tool setting the text, which never counts as an edit.
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!showingSearch_)
            emit searchEdited(text);
    });
    connect(clear_, &QAbstractButton::clicked, this, [this] {
        search_->clear();
        search_->setFocus();
    });

    sortButton_ = new QToolButton(this);
    sortButton_->setAutoRaise(true);
    sortButton_->setPopupMode(QToolButton::InstantPopup);
    sortButton_->setIcon(
        iconImage(Icon::arrowUpArrowDown, Theme::textSecondary.resolved(colours), 14));
    sortButton_->setIconSize(QSize(14, 14));
    sortButton_->setFixedWidth(26);
    sortButton_->setToolTip(sortText());
    sortButton_->setAccessibleName(sortText());
    sortButton_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    auto* menu = new QMenu(sortText(), sortButton_);
    menu->setAccessibleName(sortText());
    menu->addSection(sortText());
    sorts_ = new QActionGroup(menu);
    sorts_->setExclusive(true);
    for (const auto& entry : EnumTable<SortOrder>::cases) {
        QAction* action = menu->addAction(toQString(entry.display));
        action->setCheckable(true);
        action->setData(static_cast<int>(entry.value));
        sorts_->addAction(action);
    }
    connect(sorts_, &QActionGroup::triggered, this, [this](QAction* action) {
        emit sortChosen(static_cast<SortOrder>(action->data().toInt()));
    });
    sortButton_->setMenu(menu);
    row->addWidget(sortButton_);

    auto* segments = new SegmentFrame(this);
    segments->setAccessibleName(QStringLiteral("Layout"));
    segments->setFixedSize(76, 24);
    auto* pair = new QHBoxLayout(segments);
    pair->setContentsMargins(1, 1, 1, 1);
    pair->setSpacing(0);
    layouts_ = new QButtonGroup(this);
    layouts_->setExclusive(true);
    for (const auto& entry : EnumTable<LayoutMode>::cases) {
        auto* button = new SegmentButton(
            entry.value == LayoutMode::grid ? Icon::squareGrid2x2 : Icon::listBullet, segments);
        button->setAccessibleName(toQString(entry.display));
        button->setToolTip(toQString(entry.display));
        layouts_->addButton(button, static_cast<int>(entry.value));
        pair->addWidget(button);
    }
    connect(layouts_, &QButtonGroup::idClicked, this,
            [this](int id) { emit layoutChosen(static_cast<LayoutMode>(id)); });
    row->addWidget(segments);

    setSort(SortOrder::newest);
    setLayoutMode(LayoutMode::grid);
}

void BoardHeader::setTitle(const QString& title) {
    title_->setText(shownName(title));
}

void BoardHeader::setSubtitle(const QString& subtitle) {
    subtitle_->setText(shownName(subtitle));
}

void BoardHeader::setSearch(const QString& search) {
    if (search_->text() == search)
        return;
    showingSearch_ = true;
    search_->setText(search);
    showingSearch_ = false;
}

void BoardHeader::setSort(SortOrder sort) {
    for (QAction* action : sorts_->actions())
        action->setChecked(action->data().toInt() == static_cast<int>(sort));
}

void BoardHeader::setLayoutMode(LayoutMode mode) {
    layouts_->button(static_cast<int>(mode))->setChecked(true);
}

QAbstractButton* BoardHeader::layoutButton(LayoutMode mode) const {
    return layouts_->button(static_cast<int>(mode));
}

void BoardHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::surface.resolved(palette()));
    // The divider under the bar.
    painter.fillRect(QRect(0, height() - 1, width(), 1), Theme::border.resolved(palette()));
}

} // namespace tavro
