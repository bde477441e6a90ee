#include "board/BoardView.h"

#include "board/BoardActions.h"
#include "board/BoardHeader.h"
#include "board/BoardModel.h"
#include "board/CaptureBoardView.h"
#include "board/CaptureFilterEngine.h"
#include "board/EmptyStateView.h"
#include "board/SidebarView.h"
#include "desktop/FileRevealer.h"
#include "detail/CaptureDetailView.h"
#include "library/Library.h"
#include "ui/Theme.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tavro {

BoardView::BoardView(Library& library, Preferences& preferences, AppActions& appActions,
                     QWidget* parent)
    : QWidget(parent)
    , library_(library)
    , preferences_(preferences)
    , appActions_(appActions) {
    setAutoFillBackground(true);
    QPalette canvas = palette();
    canvas.setColor(QPalette::Window, Theme::canvas.resolved(palette()));
    setPalette(canvas);
    setMinimumSize(1010, 620);

    auto* split = split_ = new QSplitter(Qt::Horizontal, this);
    split->setHandleWidth(1);
    sidebar_ = new SidebarView(library_, folders_, split);
    sidebar_->setMinimumWidth(190);
    sidebar_->setMaximumWidth(280);
    connect(sidebar_, &SidebarView::selectionChanged, this, &BoardView::setFilter);
    column_ = new QStackedWidget(split);
    auto* column = boardColumn_ = new QWidget(column_);
    column_->addWidget(column);
    split->addWidget(sidebar_);
    split->addWidget(column_);
    split->setStretchFactor(1, 1);
    split->setCollapsible(0, true);
    split->setCollapsible(1, false);
    split->setSizes({sidebarWidth_, 1});
    sidebarAction_ = new QAction(this);
    sidebarAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+S")));
    sidebarAction_->setShortcutContext(Qt::WindowShortcut);
    connect(sidebarAction_, &QAction::triggered, this,
            [this] { setSidebarShown(!sidebarShown()); });
    addAction(sidebarAction_);
    connect(split, &QSplitter::splitterMoved, this, [this] {
        sidebarAction_->setText(sidebarShown() ? QStringLiteral("Hide Sidebar")
                                               : QStringLiteral("Show Sidebar"));
    });
    sidebarAction_->setText(QStringLiteral("Hide Sidebar"));
    auto* window = new QHBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->addWidget(split);

    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    header_ = new BoardHeader(this);
    connect(header_, &BoardHeader::searchEdited, this, &BoardView::setSearch);
    connect(header_, &BoardHeader::sortChosen, this, &BoardView::setSort);
    connect(header_, &BoardHeader::layoutChosen, this, &BoardView::setLayoutMode);
    layout->addWidget(header_);

    content_ = new QStackedWidget(this);
    actions_ = new BoardActions(
        library_, makeFileRevealer(), [this](const std::string& id) { openCapture(id); }, this);
    CaptureBoardView::Actions actions;
    actions.open = [this](const std::string& id) {
        openCapture(id);
    };
    actions.resolve = [this](const std::string& id) {
        actions_->resolve(id);
    };
    actions.remove = [this](const std::string& id) {
        actions_->remove(id);
    };
    actions.menu = [this](const std::string& id, QPoint at) {
        actions_->popupMenu(id, at);
    };
    model_.setQuery(filter_, search_, sort_);
    model_.setState(library_.state());
    board_ = new CaptureBoardView(model_, library_.thumbnails(), std::move(actions), content_);
    empty_ = new EmptyStateView(content_);
    content_->addWidget(board_);
    content_->addWidget(empty_);
    layout->addWidget(content_, 1);

    // Every published state goes to the model, which tells the rows that moved.
    connect(&library_, &Library::reloaded, this, &BoardView::follow);
    // The empty inbox shows the region shortcut as it is now.
    connect(&preferences_, &Preferences::changed, this, [this](PreferenceKey key) {
        if (key == PreferenceKey::regionHotkey)
            refresh();
    });
    refresh();
}

BoardView::~BoardView() {
    // The views read the model, which goes with this object's members.
    delete split_;
}

void BoardView::setFilter(const LibraryFilter& filter) {
    // Choosing another entry in the sidebar leaves an open capture for the board.
    if (!(filter == filter_))
        closeCapture();
    filter_ = filter;
    sidebar_->setSelection(filter);
    model_.setQuery(filter_, search_, sort_);
    refresh();
}

bool BoardView::sidebarShown() const {
    return split_->sizes().value(0) > 0;
}

void BoardView::setSidebarShown(bool shown) {
    if (shown == sidebarShown())
        return;
    const QList<int> sizes = split_->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (shown) {
        split_->setSizes({sidebarWidth_, std::max(0, total - sidebarWidth_)});
    } else {
        sidebarWidth_ = sizes.value(0);
        split_->setSizes({0, total});
    }
    sidebarAction_->setText(shown ? QStringLiteral("Hide Sidebar")
                                  : QStringLiteral("Show Sidebar"));
}

void BoardView::setSearch(const QString& search) {
    search_ = toStdString(search);
    header_->setSearch(search);
    model_.setQuery(filter_, search_, sort_);
    refresh();
}

void BoardView::setSort(SortOrder sort) {
    sort_ = sort;
    header_->setSort(sort);
    model_.setQuery(filter_, search_, sort_);
    refresh();
}

void BoardView::setLayoutMode(LayoutMode mode) {
    header_->setLayoutMode(mode);
    board_->setLayoutMode(mode);
}

void BoardView::openCapture(const std::string& captureID) {
    closeCapture();
    detail_ = new CaptureDetailView(
        library_, appActions_, captureID, [this] { closeCapture(); }, column_);
    detail_->setReveal([this](const std::filesystem::path& file) { actions_->showInFolder(file); });
    column_->addWidget(detail_);
    column_->setCurrentWidget(detail_);
}

void BoardView::closeCapture() {
    if (!detail_)
        return;
    // The pane may be closing itself from one of its own buttons: it goes once that returns.
    CaptureDetailView* pane = std::exchange(detail_, nullptr);
    pane->flushNote();
    column_->setCurrentWidget(boardColumn_);
    column_->removeWidget(pane);
    pane->hide();
    pane->deleteLater();
}

void BoardView::follow() {
    const Library::CaptureMoves& moves = library_.lastMoves();
    const bool fromShown = moves.ids && moves.replaced == model_.state().get();
    model_.setState(library_.state(), fromShown ? &*moves.ids : nullptr);
    refresh();
}

void BoardView::refresh() {
    std::string title = filter_.title();
    if (filter_.kind() == LibraryFilter::Kind::group)
        if (const CaptureGroup* group = library_.state()->group(filter_.text()))
            title = group->name;
    header_->setTitle(toQString(title));
    // Until the whole board is read, how many captures the filter holds is not known yet, and
    // none found means none among the newest: the board stays, empty, until the rest arrives.
    const bool loading = !model_.state()->complete;
    header_->setSubtitle(
        loading ? QString()
                : toQString(boardSubtitle(filter_, model_.count(), model_.highPriorityCount())));
    if (model_.count() == 0 && !loading) {
        empty_->present(filter_, CaptureFilterEngine::isSearching(search_),
                        toQString(preferences_.regionHotkey().displayString()));
        content_->setCurrentWidget(empty_);
        return;
    }
    content_->setCurrentWidget(board_);
}

} // namespace tavro
