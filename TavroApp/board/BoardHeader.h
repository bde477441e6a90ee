#pragma once

#include "board/SortOrder.h"

#include <QWidget>

class QAbstractButton;
class QActionGroup;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tavro {

// The bar over the board: what is shown and how many, the search field that applies as the user
// types, the sort menu and the grid/list switch. Holds no state of its own; the board sets
// what it shows and listens to what the user picks.
class BoardHeader final : public QWidget {
    Q_OBJECT

public:
    explicit BoardHeader(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setSubtitle(const QString& subtitle);
    // Showing a value never signals it back.
    void setSearch(const QString& search);
    void setSort(SortOrder sort);
    void setLayoutMode(LayoutMode mode);

    QLabel* titleLabel() const { return title_; }
    QLabel* subtitleLabel() const { return subtitle_; }
    QLineEdit* searchField() const { return search_; }
    QAbstractButton* clearButton() const { return clear_; }
    QToolButton* sortButton() const { return sortButton_; }
    QAbstractButton* layoutButton(LayoutMode mode) const;

signals:
    void searchEdited(const QString& search);
    void sortChosen(SortOrder sort);
    void layoutChosen(LayoutMode mode);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* title_ = nullptr;
    QLabel* subtitle_ = nullptr;
    QLineEdit* search_ = nullptr;
    QAbstractButton* clear_ = nullptr;
    QToolButton* sortButton_ = nullptr;
    QActionGroup* sorts_ = nullptr;
    QButtonGroup* layouts_ = nullptr;
    bool showingSearch_ = false;
};

} // namespace tavro
