#pragma once

#include "board/CaptureBoardModel.h"
#include "board/FolderChooser.h"
#include "board/LibraryFilter.h"
#include "board/SortOrder.h"

#include <QWidget>

#include <string>

class QAction;
class QSplitter;
class QStackedWidget;

namespace tavro {

class AppActions;
class BoardActions;
class CaptureBoardView;
class CaptureDetailView;
class BoardHeader;
class EmptyStateView;
class Library;
class Preferences;
class SidebarView;

// The board window's root view: the sidebar that chooses the filter beside the board's
// captures under that filter, search and sort, as cards or rows, or the empty state when none
// is left; kept in step with the facade, each published reload changing only the rows of the
// captures it read again. An opened capture's detail pane takes the board's
// place until it is closed or another filter is chosen.
class BoardView final : public QWidget {
    Q_OBJECT

public:
    BoardView(Library& library, Preferences& preferences, AppActions& appActions,
              QWidget* parent = nullptr);
    ~BoardView() override;
    BoardView(const BoardView&) = delete;
    BoardView& operator=(const BoardView&) = delete;

    void setFilter(const LibraryFilter& filter);
    void setSearch(const QString& search);
    void setSort(SortOrder sort);
    void setLayoutMode(LayoutMode mode);
    // Shows the capture's detail pane in place of the board; a pane already open is closed first.
    void openCapture(const std::string& captureID);
    // Back to the board: the pane's note is written first.
    void closeCapture();

    // The sidebar hides as a split view's does: dragged shut at its edge, or by the window's
    // "Hide Sidebar" action (Ctrl+Alt+S), which shows it again at the width it had.
    bool sidebarShown() const;
    void setSidebarShown(bool shown);
    QAction* sidebarAction() const { return sidebarAction_; }

    SidebarView* sidebar() const { return sidebar_; }
    CaptureBoardView* board() const { return board_; }
    const CaptureBoardModel& model() const { return model_; }
    EmptyStateView* emptyState() const { return empty_; }
    BoardHeader* header() const { return header_; }
    // What the cards, the rows and their context menu do with a capture.
    BoardActions& captureActions() const { return *actions_; }
    // The open detail pane, if any.
    CaptureDetailView* detail() const { return detail_; }

private:
    // The published state into the model, by what moved when the model shows the state before.
    void follow();
    // The header and the empty state, from the model's rows.
    void refresh();

    Library& library_;
    Preferences& preferences_;
    AppActions& appActions_;
    LibraryFilter filter_;
    std::string search_;
    SortOrder sort_ = SortOrder::newest;
    CaptureBoardModel model_;
    DialogFolderChooser folders_;
    BoardActions* actions_ = nullptr;
    SidebarView* sidebar_ = nullptr;
    QSplitter* split_ = nullptr;
    QAction* sidebarAction_ = nullptr;
    int sidebarWidth_ = 214;
    BoardHeader* header_ = nullptr;
    QStackedWidget* column_ = nullptr;
    QWidget* boardColumn_ = nullptr;
    CaptureDetailView* detail_ = nullptr;
    QStackedWidget* content_ = nullptr;
    CaptureBoardView* board_ = nullptr;
    EmptyStateView* empty_ = nullptr;
};

} // namespace tavro
