#include "detail/RowBatch.h"

#include <QWidget>

namespace tavro {

RowBatch::RowBatch(QWidget* holder, int newRows) {
    if (newRows < 2 || !holder->isVisible())
        return;
    holder_ = holder;
    holder_->hide();
}

RowBatch::~RowBatch() {
    if (holder_)
        holder_->show();
}

} // namespace tavro
