#pragma once

#include "board/LibraryFilter.h"
#include "board/SortOrder.h"
#include "board/TitleWidths.h"
#include "library/LibraryState.h"

#include <QAbstractListModel>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// One capture the board shows, with what the published state knows about it: pointers into the
// state the model shows, good until the model changes.
struct BoardEntry {
    const BoardCapture* capture = nullptr;
    const CaptureGroup* group = nullptr;
    const std::vector<std::string>* tags = nullptr;
    std::int64_t commentCount = 0;
    // A capture without a live screenshot row still counts one: its cover.
    std::int64_t imageCount = 1;
    const Person* assignee = nullptr;
};

// The captures the board shows under one filter, search and sort, over the facade's published
// state: always the rows CaptureFilterEngine::apply gives for them. A state that says which
// captures moved since the one shown changes only their rows, each taken out, put in or changed
// in place with its own signal; a whole new board, a change of user, many moves at once, or a
// new filter, search or sort work the rows out anew (a model reset).
class CaptureBoardModel final : public QAbstractListModel {
    Q_OBJECT

public:
    explicit CaptureBoardModel(QObject* parent = nullptr);
    CaptureBoardModel(const CaptureBoardModel&) = delete;
    CaptureBoardModel& operator=(const CaptureBoardModel&) = delete;

    // `moved`: the ids of the captures that may differ from those of the state shown (added,
    // changed or removed); null when that is not known.
    void setState(std::shared_ptr<const LibraryState> state,
                  const std::vector<std::string>* moved = nullptr);
    void setQuery(const LibraryFilter& filter, std::string_view search, SortOrder sort);

    const std::shared_ptr<const LibraryState>& state() const { return state_; }
    std::size_t count() const { return rows_.size(); }
    const BoardItem& item(std::size_t row) const { return *rows_[row]; }
    BoardEntry entry(std::size_t row) const;
    // The row of the capture with this id, if it is shown.
    std::optional<std::size_t> rowOf(std::string_view captureID) const;
    // How many of the rows are of high priority.
    std::size_t highPriorityCount() const { return highPriority_; }

    // A width the view measured for a row's title, kept for as long as the capture is unchanged
    // in the published state, whichever row it moves to.
    std::optional<double> titleWidth(std::size_t row) const;
    void setTitleWidth(std::size_t row, double width);
    // When the view's font changes.
    void forgetTitleWidths() { titleWidths_.clear(); }

    // Display: the capture's title.
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void rebuild();
    void move(const BoardItem* before, const BoardItem* after);
    std::optional<std::size_t> locate(const BoardItem& item) const;
    bool fitsAt(std::size_t row, const BoardItem& item) const;
    bool precedes(const BoardItem* a, const BoardItem* b) const;

    std::shared_ptr<const LibraryState> state_;
    LibraryFilter filter_;
    std::string search_;
    std::string needle_;
    SortOrder sort_ = SortOrder::newest;
    // Items of state_, in the order shown.
    std::vector<const BoardItem*> rows_;
    std::size_t highPriority_ = 0;
    // By items of state_ only: an item leaves it when its capture moves.
    TitleWidths titleWidths_;
};

} // namespace tavro
