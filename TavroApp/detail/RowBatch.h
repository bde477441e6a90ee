#pragma once

class QWidget;

namespace tavro {

// Adds many rows to a shown list in one layout pass. A child added to a shown widget is shown
// on its own a moment later, and each such show lays out every ancestor again: a thousand rows
// would cost a thousand passes over the whole side column. While the batch lives, the rows'
// holder is hidden, so they are all shown with it, once, when the batch ends.
class RowBatch {
public:
    // Does nothing for fewer than two new rows or a holder not shown.
    RowBatch(QWidget* holder, int newRows);
    ~RowBatch();
    RowBatch(const RowBatch&) = delete;
    RowBatch& operator=(const RowBatch&) = delete;

private:
    QWidget* holder_ = nullptr;
};

} // namespace tavro
