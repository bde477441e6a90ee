#include "board/SidebarView.h"

#include "board/NewGroupSheet.h"
#include "library/FailureText.h"
#include "library/Library.h"
#include "library/LibraryWatch.h"
#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/ShownText.h"
#include "ui/TavroMark.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tavro {

namespace {

enum class RowKind { header, filter, group, tag, newGroup };

constexpr int kindRole = Qt::UserRole;
constexpr int indexRole = Qt::UserRole + 1;

constexpr int rowHeight = 28;
constexpr int headerHeight = 30;
constexpr int newGroupHeight = 26;
constexpr int inset = 8;   // between the list's edge and a row's selection shape
constexpr int padding = 8; // between the selection shape and the row's content
constexpr int symbolFrame = 16;
constexpr int spacing = 8;

QFont sectionFont() {
    QFont font = Theme::Font::micro();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    return font;
}

QString countText(std::int64_t count) {
    return count > 0 ? QString::number(count) : QString();
}

// Whether the row of `item` paints the same from either row values of one shape.
bool paintsAlike(const SidebarRows& before, const SidebarRows& after, const QListWidgetItem& item) {
    const size_t at = item.data(indexRole).toULongLong();
    switch (RowKind(item.data(kindRole).toInt())) {
    case RowKind::filter:
        return before.library.at(at).filter == after.library.at(at).filter &&
               before.library.at(at).count == after.library.at(at).count;
    case RowKind::group:
        return before.groups.at(at).group == after.groups.at(at).group &&
               before.groups.at(at).count == after.groups.at(at).count;
    case RowKind::tag:
        return before.tags.at(at).name == after.tags.at(at).name;
    case RowKind::header:
    case RowKind::newGroup:
        break; // their item's own text, or a button of their own
    }
    return true;
}

// Paints the sidebar's rows from the sidebar's own row values.
class SidebarRowDelegate final : public QStyledItemDelegate {
public:
    SidebarRowDelegate(const SidebarRows& rows, QObject* parent)
        : QStyledItemDelegate(parent)
        , rows_(rows) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        switch (RowKind(index.data(kindRole).toInt())) {
        case RowKind::header:
            return QSize(0, headerHeight);
        case RowKind::newGroup:
            return QSize(0, newGroupHeight);
        default:
            return QSize(0, rowHeight);
        }
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette& palette = option.palette;
        const auto kind = RowKind(index.data(kindRole).toInt());
        const size_t at = index.data(indexRole).toULongLong();
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF shape = QRectF(option.rect).adjusted(inset, 1, -inset, -1);
        if (option.state & QStyle::State_Selected) {
            QColor fill = Theme::accent.resolved(palette);
            fill.setAlphaF(0.14f);
            painter->setPen(Qt::NoPen);
            painter->setBrush(fill);
            painter->drawRoundedRect(shape, 6, 6);
        }
        const QRectF content = shape.adjusted(padding, 0, -padding, 0);
        switch (kind) {
        case RowKind::header:
            painter->setFont(sectionFont());
            painter->setPen(Theme::textTertiary.resolved(palette));
            painter->drawText(content.adjusted(0, 0, 0, -5), Qt::AlignLeft | Qt::AlignBottom,
                              index.data(Qt::DisplayRole).toString().toUpper());
            break;
        case RowKind::filter: {
            const SidebarFilterRow& row = rows_.library.at(at);
            paintSymbol(*painter, content, row.filter.symbol(), row.tint.resolved(palette));
            paintTitleAndCount(*painter, content, toQString(row.filter.title()), row.count,
                               palette);
            break;
        }
        case RowKind::group: {
            const SidebarGroupRow& row = rows_.groups.at(at);
            const QPointF centre(content.left() + symbolFrame / 2.0, content.center().y());
            painter->setPen(Qt::NoPen);
            painter->setBrush(colorFromHexString(toQString(row.group.colorHex)));
            painter->drawEllipse(centre, 4, 4);
            paintTitleAndCount(*painter, content, shownName(toQString(row.group.name)), row.count,
                               palette);
            break;
        }
        case RowKind::tag: {
            const SidebarTagRow& row = rows_.tags.at(at);
            paintSymbol(*painter, content, Icon::number, Theme::accent.resolved(palette));
            paintTitleAndCount(*painter, content, shownName(toQString(row.name)), 0, palette);
            break;
        }
        case RowKind::newGroup:
            break; // the button draws itself
        }
        painter->restore();
    }

private:
    static void paintSymbol(QPainter& painter, const QRectF& content, Icon icon,
                            const QColor& color) {
        const double size = 12;
        const QRectF frame(content.left() + (symbolFrame - size) / 2,
                           content.center().y() - size / 2, size, size);
        paintIcon(painter, icon, frame, color);
    }

    static void paintTitleAndCount(QPainter& painter, const QRectF& content, const QString& title,
                                   std::int64_t count, const QPalette& palette) {
        double right = content.right();
        if (const QString badge = countText(count); !badge.isEmpty()) {
            const QFont font = Theme::Font::caption();
            const QFontMetricsF metrics(font);
            const double width = metrics.horizontalAdvance(badge);
            painter.setFont(font);
            painter.setPen(Theme::textTertiary.resolved(palette));
            painter.drawText(QRectF(right - width, content.top(), width, content.height()),
                             Qt::AlignRight | Qt::AlignVCenter, badge);
            right -= width + 4;
        }
        const QFont font = Theme::Font::body();
        const double left = content.left() + symbolFrame + spacing;
        const QRectF area(left, content.top(), std::max(0.0, right - left), content.height());
        painter.setFont(font);
        painter.setPen(Theme::textPrimary.resolved(palette));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetricsF(font).elidedText(title, Qt::ElideRight, area.width()));
    }

    const SidebarRows& rows_;
};

// "New group" under the group rows: a plus and the text, in the tertiary colour.
class NewGroupButton final : public QAbstractButton {
public:
    explicit NewGroupButton(QWidget* parent)
        : QAbstractButton(parent) {
        setText(QStringLiteral("New group"));
        setAccessibleName(text());
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override { return QSize(120, newGroupHeight); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor ink = Theme::textTertiary.resolved(palette());
        if (isDown())
            ink = Theme::textSecondary.resolved(palette());
        const QFont font = Theme::Font::callout();
        const double left = inset + padding;
        const double size = 11;
        paintIcon(painter, Icon::plus,
                  QRectF(left + (symbolFrame - size) / 2, (height() - size) / 2.0, size, size),
                  ink);
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(QRectF(left + symbolFrame + spacing, 0, width(), height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

// A right-click asks for a row's menu and leaves the selection, and so the board, as it is.
class SidebarList final : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) {
            event->accept();
            return;
        }
        QListWidget::mousePressEvent(event);
    }
};

QWidget* header(QWidget* parent) {
    auto* bar = new QWidget(parent);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(14, 6, 14, 10);
    row->setSpacing(8);
    row->addWidget(new TavroMark(18, bar));
    auto* title = new QLabel(QStringLiteral("Tavro"), bar);
    title->setFont(Theme::Font::title());
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, Theme::textPrimary.resolved(parent->palette()));
    title->setPalette(palette);
    row->addWidget(title);
    row->addStretch();
    return bar;
}

} // namespace

SidebarView::SidebarView(Library& library, FolderChooser& folders, QWidget* parent)
    : QWidget(parent)
    , library_(library)
    , folders_(folders) {
    setAccessibleName(QStringLiteral("Sidebar"));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Theme::surfaceSunken.resolved(palette()));
    background.setColor(QPalette::Base, Theme::surfaceSunken.resolved(palette()));
    setPalette(background);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 1, 0);
    column->setSpacing(0);
    column->addWidget(header(this));

    list_ = new SidebarList(this);
    list_->setAccessibleName(QStringLiteral("Library"));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setItemDelegate(new SidebarRowDelegate(rows_, list_));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setMouseTracking(true);
    column->addWidget(list_, 1);
    error_ = plainLabel({}, this);
    error_->setFont(Theme::Font::caption());
    error_->setWordWrap(true);
    error_->setContentsMargins(16, 6, 16, 10);
    QPalette warning = error_->palette();
    warning.setColor(QPalette::WindowText, Theme::priorityHigh.resolved(palette()));
    error_->setPalette(warning);
    error_->hide();
    column->addWidget(error_);

    connect(list_, &QListWidget::itemSelectionChanged, this, &SidebarView::listSelectionChanged);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QListWidgetItem* item = list_->itemAt(at);
        if (item && RowKind(item->data(kindRole).toInt()) == RowKind::group)
            openGroupMenu(rows_.groups.at(item->data(indexRole).toULongLong()).group.id,
                          list_->viewport()->mapToGlobal(at));
    });
    onReloadChanging(library_, this,
                     {LibraryProperty::captures, LibraryProperty::groups, LibraryProperty::counts,
                      LibraryProperty::allTags, LibraryProperty::currentUserID},
                     [this] { rebuild(); });
    rebuild();
}

void SidebarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(width() - 1, 0, 1, height()), Theme::border.resolved(palette()));
}

void SidebarView::setSelection(const LibraryFilter& filter) {
    selection_.select(filter);
    showSelection();
}

QListWidgetItem* SidebarView::itemFor(const LibraryFilter& filter) const {
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        const size_t at = item->data(indexRole).toULongLong();
        switch (RowKind(item->data(kindRole).toInt())) {
        case RowKind::filter:
            if (rows_.library.at(at).filter == filter)
                return item;
            break;
        case RowKind::group:
            if (rows_.groups.at(at).filter == filter)
                return item;
            break;
        case RowKind::tag:
            if (rows_.tags.at(at).filter == filter)
                return item;
            break;
        default:
            break;
        }
    }
    return nullptr;
}

void SidebarView::rebuild() {
    rebuilding_ = true;
    // A reload (each agent write makes one) keeps where the list was scrolled to.
    const int scrolled = list_->verticalScrollBar()->value();
    const SidebarRows before = std::exchange(rows_, sidebarRows(SidebarSource::of(library_)));
    struct Entry {
        RowKind kind;
        size_t index;
        QString text;
        QString help;
        QString description;
    };
    std::vector<Entry> entries;
    for (size_t i = 0; i < rows_.library.size(); ++i) {
        const SidebarFilterRow& row = rows_.library[i];
        entries.push_back({RowKind::filter,
                           i,
                           toQString(row.filter.title()),
                           {},
                           row.count > 0 ? countText(row.count) : QString()});
    }
    entries.push_back({RowKind::header, 0, QStringLiteral("Groups"), {}, {}});
    for (size_t i = 0; i < rows_.groups.size(); ++i) {
        const SidebarGroupRow& row = rows_.groups[i];
        QString description = toQString(row.help);
        if (row.count > 0)
            description = countText(row.count) + QStringLiteral(", ") + description;
        entries.push_back({RowKind::group, i, shownName(toQString(row.group.name)),
                           toQString(row.help), description});
    }
    entries.push_back({RowKind::newGroup, 0, QStringLiteral("New group"), {}, {}});
    if (!rows_.tags.empty()) {
        entries.push_back({RowKind::header, 0, QStringLiteral("Tags"), {}, {}});
        for (size_t i = 0; i < rows_.tags.size(); ++i)
            entries.push_back({RowKind::tag, i, shownName(toQString(rows_.tags[i].name)), {}, {}});
        if (rows_.moreTags > 0)
            entries.push_back(
                {RowKind::header,
                 0,
                 QStringLiteral("%1 more \u2014 search finds them").arg(rows_.moreTags),
                 {},
                 {}});
    }

    // Rows of the same kinds in the same places are updated where they are; only a change of
    // shape (a group or tag added or gone) builds the list again.
    bool sameShape = list_->count() == int(entries.size());
    for (size_t i = 0; sameShape && i < entries.size(); ++i)
        sameShape = RowKind(list_->item(int(i))->data(kindRole).toInt()) == entries[i].kind;
    if (!sameShape) {
        list_->clear();
        newGroup_ = nullptr;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        QListWidgetItem* item = sameShape ? list_->item(int(i)) : new QListWidgetItem(list_);
        item->setText(entry.text);
        item->setData(kindRole, int(entry.kind));
        item->setData(indexRole, qulonglong(entry.index));
        item->setToolTip(entry.help);
        item->setData(Qt::AccessibleDescriptionRole,
                      entry.description.isEmpty() ? QVariant() : QVariant(entry.description));
        // Headers and the button's row take no selection, and the arrow keys pass over them.
        if (entry.kind == RowKind::header || entry.kind == RowKind::newGroup)
            item->setFlags(Qt::NoItemFlags);
        if (entry.kind == RowKind::newGroup && !sameShape) {
            auto* button = new NewGroupButton(list_);
            connect(button, &QAbstractButton::clicked, this, [this] { openNewGroupSheet(); });
            list_->setItemWidget(item, button);
            newGroup_ = button;
        }
    }
    // The counts live in the rows the delegate reads, not in the items: the rows whose counts
    // moved are painted again.
    if (sameShape) {
        for (int i = 0; i < list_->count(); ++i)
            if (!paintsAlike(before, rows_, *list_->item(i)))
                list_->viewport()->update(list_->visualItemRect(list_->item(i)));
    } else {
        list_->viewport()->update();
    }
    showSelection();
    if (!sameShape)
        list_->doItemsLayout();
    list_->verticalScrollBar()->setValue(scrolled);
    rebuilding_ = false;
}

void SidebarView::showSelection() {
    const bool was = rebuilding_;
    rebuilding_ = true;
    if (QListWidgetItem* item = itemFor(selection_.current())) {
        // Choosing a row never scrolls the list by itself: a reload would snap it to the row.
        const bool scrolls = list_->hasAutoScroll();
        list_->setAutoScroll(false);
        if (list_->currentItem() != item)
            list_->setCurrentItem(item);
        item->setSelected(true);
        list_->setAutoScroll(scrolls);
    } else {
        list_->clearSelection();
    }
    rebuilding_ = was;
}

void SidebarView::listSelectionChanged() {
    if (rebuilding_)
        return;
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    std::optional<LibraryFilter> chosen;
    if (!selected.isEmpty()) {
        QListWidgetItem* item = selected.front();
        const size_t at = item->data(indexRole).toULongLong();
        switch (RowKind(item->data(kindRole).toInt())) {
        case RowKind::filter:
            chosen = rows_.library.at(at).filter;
            break;
        case RowKind::group:
            chosen = rows_.groups.at(at).filter;
            break;
        case RowKind::tag:
            chosen = rows_.tags.at(at).filter;
            break;
        default:
            break;
        }
    }
    choose(chosen);
}

void SidebarView::choose(const std::optional<LibraryFilter>& filter) {
    const bool changed = selection_.select(filter);
    // A click that cleared the list, or landed on a header, shows the kept filter again.
    showSelection();
    if (changed)
        emit selectionChanged(selection_.current());
}

NewGroupSheet* SidebarView::openNewGroupSheet() {
    if (sheet_) {
        sheet_->raise();
        sheet_->activateWindow();
        return sheet_;
    }
    auto* sheet = new NewGroupSheet(library_, folders_, window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet_ = sheet;
    sheet->open();
    return sheet;
}

NewGroupSheet* SidebarView::newGroupSheet() const {
    return sheet_;
}

QMenu* SidebarView::openGroupMenu(const std::string& groupID, const QPoint& globalPosition) {
    const auto row = std::find_if(rows_.groups.begin(), rows_.groups.end(),
                                  [&](const SidebarGroupRow& r) { return r.group.id == groupID; });
    if (row == rows_.groups.end())
        return nullptr;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Destructive, as the board's "Delete" is: drawn with its symbol in the warning colour.
    const Icon symbol = row->group.workspaceID ? Icon::archivebox : Icon::trash;
    menu->addAction(iconImage(symbol, Theme::priorityHigh.resolved(menu->palette()), 14),
                    toQString(row->removeTitle), this, [this, groupID] { removeGroup(groupID); });
    menu->popup(globalPosition);
    return menu;
}

void SidebarView::removeGroup(const std::string& groupID) {
    error_->clear();
    error_->hide();
    const bool moved = selection_.removeGroup(groupID, [this](const std::string& id) {
        library_.deleteGroup(id).then(this, [this](const WriteResult<>& removed) {
            error_->setText(removed ? QString() : toQString(userFacingFailure(removed.error())));
            error_->setVisible(!removed);
        });
    });
    showSelection();
    if (moved)
        emit selectionChanged(selection_.current());
}

} // namespace tavro
