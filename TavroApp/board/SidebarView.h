#pragma once

#include "board/SidebarRows.h"
#include "board/SidebarSelection.h"

#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;

namespace tavro {

class FolderChooser;
class Library;
class NewGroupSheet;

// The board window's left column: the product's header over a list of the library filters
// with their counts, the groups (with the "New group" button and a menu to archive or delete
// one) and the tags. Choosing a row sets the board's filter; a right-click opens a group's menu
// without choosing it. Each reload of the facade updates the rows in place, keeping the
// selection and the scroll position.
class SidebarView final : public QWidget {
    Q_OBJECT

public:
    SidebarView(Library& library, FolderChooser& folders, QWidget* parent = nullptr);
    SidebarView(const SidebarView&) = delete;
    SidebarView& operator=(const SidebarView&) = delete;

    const LibraryFilter& selection() const { return selection_.current(); }
    // For the owner; emits nothing.
    void setSelection(const LibraryFilter& filter);

    const SidebarRows& rows() const { return rows_; }
    QListWidget* list() const { return list_; }
    QAbstractButton* newGroupButton() const { return newGroup_; }
    // The list row that selects `filter`, or none.
    QListWidgetItem* itemFor(const LibraryFilter& filter) const;

    NewGroupSheet* openNewGroupSheet();
    NewGroupSheet* newGroupSheet() const;
    // The group row's menu, shown at once and not waited for; none for other rows.
    QMenu* openGroupMenu(const std::string& groupID, const QPoint& globalPosition);
    // Falls back to the inbox when the group was chosen, even when the write fails; a failure
    // is then told under the list until the next removal works.
    void removeGroup(const std::string& groupID);
    QLabel* errorLabel() const { return error_; }

signals:
    void selectionChanged(const tavro::LibraryFilter& filter);

protected:
    // A hairline along the edge that meets the board.
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();
    void showSelection();
    void listSelectionChanged();
    void choose(const std::optional<LibraryFilter>& filter);

    Library& library_;
    FolderChooser& folders_;
    SidebarSelection selection_;
    SidebarRows rows_;
    QListWidget* list_ = nullptr;
    QAbstractButton* newGroup_ = nullptr;
    QLabel* error_ = nullptr;
    QPointer<NewGroupSheet> sheet_;
    bool rebuilding_ = false;
};

} // namespace tavro
