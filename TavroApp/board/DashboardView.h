#pragma once

#include "board/FolderChooser.h"
#include "board/LibraryFilter.h"
#include "board/SortOrder.h"

#include <QWidget>

#include <string>

class QStackedWidget;

namespace tavro {

class CaptureBoardView;
class DashboardHeader;
class EmptyStateView;
class Library;
class Preferences;
class SidebarView;

// The board window's root view: the sidebar that chooses the filter beside the board's
// captures under that filter, search and sort, as cards or rows, or the empty state when none
// is left; kept in step with the facade.
class DashboardView final : public QWidget {
    Q_OBJECT

public:
    DashboardView(Library& library, Preferences& preferences, QWidget* parent = nullptr);

    void setFilter(const LibraryFilter& filter);
    void setSearch(const QString& search);
    void setSort(SortOrder sort);
    void setLayoutMode(LayoutMode mode);

    SidebarView* sidebar() const { return sidebar_; }
    CaptureBoardView* board() const { return board_; }
    EmptyStateView* emptyState() const { return empty_; }
    DashboardHeader* header() const { return header_; }

private:
    void refresh();

    Library& library_;
    Preferences& preferences_;
    LibraryFilter filter_;
    std::string search_;
    SortOrder sort_ = SortOrder::newest;
    DialogFolderChooser folders_;
    SidebarView* sidebar_ = nullptr;
    DashboardHeader* header_ = nullptr;
    QStackedWidget* content_ = nullptr;
    CaptureBoardView* board_ = nullptr;
    EmptyStateView* empty_ = nullptr;
};

} // namespace tavro
