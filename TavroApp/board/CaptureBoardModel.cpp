#include "board/CaptureBoardModel.h"

#include "board/CaptureFilterEngine.h"
#include "values/Utf8.h"

#include <algorithm>
#include <utility>

namespace tavro {

namespace {

// Past this many moved captures, one pass over the board costs less than a change per capture.
constexpr std::size_t manyMoves = 32;

bool sameTitle(const BoardCapture& a, const BoardCapture& b) {
    return a.note == b.note && a.hasImage() == b.hasImage() && a.appName == b.appName;
}

std::size_t highOf(const BoardItem* item) {
    return item && item->capture.priority == CapturePriority::high ? 1 : 0;
}

} // namespace

CaptureBoardModel::CaptureBoardModel(QObject* parent)
    : QAbstractListModel(parent) {}

void CaptureBoardModel::setState(std::shared_ptr<const LibraryState> state,
                                 const std::vector<std::string>* moved) {
    if (state == state_)
        return;
    // Held to the end: the rows point into it until they are moved.
    const std::shared_ptr<const LibraryState> before = std::exchange(state_, std::move(state));
    if (!before || !moved) {
        titleWidths_.clear();
        return rebuild();
    }
    for (const std::string& id : *moved) {
        const BoardItem* gone = before->captures.find(id);
        const auto width = gone ? titleWidths_.find(gone) : std::nullopt;
        if (!width)
            continue;
        titleWidths_.erase(gone);
        // A title made of the same texts keeps its width.
        const BoardItem* now = state_ ? state_->captures.find(id) : nullptr;
        if (now && sameTitle(gone->capture, now->capture))
            titleWidths_.set(now, *width);
    }
    if (!state_ || before->currentUserID != state_->currentUserID || moved->size() > manyMoves)
        return rebuild();
    for (const std::string& id : *moved)
        move(before->captures.find(id), state_->captures.find(id));
    // A group or a person renamed, added or gone shows on every card that names it.
    if ((before->groups != state_->groups || before->people != state_->people) && !rows_.empty())
        emit dataChanged(index(0), index(int(rows_.size()) - 1));
}

void CaptureBoardModel::setQuery(const LibraryFilter& filter, std::string_view search,
                                 SortOrder sort) {
    if (filter == filter_ && search == search_ && sort == sort_)
        return;
    filter_ = filter;
    search_ = std::string(search);
    needle_ = CaptureFilterEngine::query(search);
    sort_ = sort;
    rebuild();
}

void CaptureBoardModel::rebuild() {
    beginResetModel();
    rows_.clear();
    highPriority_ = 0;
    if (state_) {
        const auto& items = state_->captures.items();
        const auto shown = CaptureFilterEngine::apply(state_->captures, filter_, search_, sort_,
                                                      state_->currentUserID);
        rows_.reserve(shown.size());
        for (std::size_t i : shown) {
            rows_.push_back(items[i].get());
            highPriority_ += highOf(rows_.back());
        }
    }
    endResetModel();
}

bool CaptureBoardModel::precedes(const BoardItem* a, const BoardItem* b) const {
    return CaptureFilterEngine::precedes(a->capture, b->capture, sort_);
}

std::optional<std::size_t> CaptureBoardModel::locate(const BoardItem& item) const {
    const auto at =
        std::lower_bound(rows_.begin(), rows_.end(), &item,
                         [this](const BoardItem* a, const BoardItem* b) { return precedes(a, b); });
    if (at == rows_.end() || *at != &item)
        return std::nullopt;
    return std::size_t(at - rows_.begin());
}

bool CaptureBoardModel::fitsAt(std::size_t row, const BoardItem& item) const {
    return (row == 0 || precedes(rows_[row - 1], &item)) &&
           (row + 1 == rows_.size() || precedes(&item, rows_[row + 1]));
}

// `before` and `after`: one capture's items in the state shown before and in the new one, each
// null where it is not live.
void CaptureBoardModel::move(const BoardItem* before, const BoardItem* after) {
    const auto row = before ? locate(*before) : std::nullopt;
    const bool shown =
        after && CaptureFilterEngine::shows(*after, filter_, needle_, state_->currentUserID);
    if (row && shown && fitsAt(*row, *after)) {
        highPriority_ = highPriority_ - highOf(before) + highOf(after);
        rows_[*row] = after;
        const QModelIndex changed = index(int(*row));
        emit dataChanged(changed, changed);
        return;
    }
    const auto placeOf = [this](const BoardItem* item) {
        return std::upper_bound(
            rows_.begin(), rows_.end(), item,
            [this](const BoardItem* a, const BoardItem* b) { return precedes(a, b); });
    };
    if (row && shown) {
        // Still shown, elsewhere: one move, then its new look. Not fitting where it was, it goes
        // neither just before nor just after its old row.
        const int from = int(*row);
        const int destination = int(placeOf(after) - rows_.begin());
        const int to = destination > from ? destination - 1 : destination;
        beginMoveRows({}, from, from, {}, destination);
        rows_.erase(rows_.begin() + from);
        rows_.insert(rows_.begin() + to, after);
        highPriority_ = highPriority_ - highOf(before) + highOf(after);
        endMoveRows();
        const QModelIndex changed = index(to);
        emit dataChanged(changed, changed);
        return;
    }
    if (row) {
        beginRemoveRows({}, int(*row), int(*row));
        rows_.erase(rows_.begin() + std::ptrdiff_t(*row));
        highPriority_ -= highOf(before);
        endRemoveRows();
    }
    if (shown) {
        const auto at = placeOf(after);
        const int position = int(at - rows_.begin());
        beginInsertRows({}, position, position);
        rows_.insert(at, after);
        highPriority_ += highOf(after);
        endInsertRows();
    }
}

BoardEntry CaptureBoardModel::entry(std::size_t row) const {
    const BoardItem& item = *rows_[row];
    const BoardCapture& capture = item.capture;
    return {&capture,
            capture.groupID ? state_->group(*capture.groupID) : nullptr,
            &item.tags,
            item.comments,
            item.images > 0 ? item.images : 1,
            capture.assigneeID ? state_->person(*capture.assigneeID) : nullptr};
}

std::optional<std::size_t> CaptureBoardModel::rowOf(std::string_view captureID) const {
    const BoardItem* item = state_ ? state_->captures.find(captureID) : nullptr;
    return item ? locate(*item) : std::nullopt;
}

std::optional<double> CaptureBoardModel::titleWidth(std::size_t row) const {
    return titleWidths_.find(rows_[row]);
}

void CaptureBoardModel::setTitleWidth(std::size_t row, double width) {
    titleWidths_.set(rows_[row], width);
}

int CaptureBoardModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant CaptureBoardModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || std::size_t(index.row()) >= rows_.size() || role != Qt::DisplayRole)
        return {};
    return toQString(rows_[std::size_t(index.row())]->capture.title());
}

} // namespace tavro
