#pragma once

#include "board/LibraryFilter.h"
#include "board/SortOrder.h"

#include <QWidget>

#include <string>

class QLabel;
class QStackedWidget;

namespace tavro {

class CaptureBoardView;
class EmptyStateView;
class Library;
class Preferences;

// The board window's root view: the board's captures under the current filter, search and
// sort, as cards or rows, or the empty state when none is left; kept in step with the facade.
class DashboardView final : public QWidget {
    Q_OBJECT

public:
    DashboardView(Library& library, Preferences& preferences, QWidget* parent = nullptr);

    void setFilter(const LibraryFilter& filter);
    void setSearch(const QString& search);
    void setSort(SortOrder sort);
    void setLayoutMode(LayoutMode mode);

    CaptureBoardView* board() const { return board_; }
    EmptyStateView* emptyState() const { return empty_; }

private:
    void refresh();

    Library& library_;
    Preferences& preferences_;
    LibraryFilter filter_;
    std::string search_;
    SortOrder sort_ = SortOrder::newest;
    bool stale_ = false;
    QLabel* title_ = nullptr;
    QStackedWidget* content_ = nullptr;
    CaptureBoardView* board_ = nullptr;
    EmptyStateView* empty_ = nullptr;
};

} // namespace tavro
