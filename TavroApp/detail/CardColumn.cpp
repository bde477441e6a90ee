#include "detail/CardColumn.h"

#include <QEvent>

#include <algorithm>

namespace tavro {

namespace {

int measured(const QWidget* card, int width) {
    const int height = card->heightForWidth(width);
    return height >= 0 ? height : card->sizeHint().height();
}

} // namespace

CardColumn::CardColumn(int spacing, QWidget* parent)
    : QWidget(parent)
    , spacing_(spacing) {
    forgetTotals();
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int CardColumn::indexOf(const QWidget* card) const {
    for (std::size_t i = 0; i < cards_.size(); ++i)
        if (cards_[i].card == card)
            return int(i);
    return -1;
}

void CardColumn::insert(int index, QWidget* card) {
    index = std::clamp(index, 0, count());
    if (card->parentWidget() != this)
        card->setParent(this);
    cards_.insert(cards_.begin() + index, Entry{card});
    card->show();
    changedFrom(index);
}

void CardColumn::take(QWidget* card) {
    const int index = indexOf(card);
    if (index < 0)
        return;
    cards_.erase(cards_.begin() + index);
    card->hide();
    changedFrom(index);
}

void CardColumn::cardChanged(QWidget* card) {
    const int index = indexOf(card);
    if (index < 0)
        return;
    cards_[std::size_t(index)].height = -1;
    changedFrom(index);
}

void CardColumn::changedFrom(int index) {
    firstMoved_ = std::min(firstMoved_, index);
    forgetTotals();
    arrange();
}

void CardColumn::forgetTotals() {
    totals_.fill({-1, 0});
    nextTotal_ = 0;
}

int CardColumn::heightForWidth(int width) const {
    if (width == measuredWidth_ && firstMoved_ >= count())
        return total_;
    for (const auto& [known, total] : totals_)
        if (known == width)
            return total;
    int total = 0;
    for (const Entry& entry : cards_)
        total += measured(entry.card, width);
    total += spacing_ * std::max(0, count() - 1);
    totals_[nextTotal_] = {width, total};
    nextTotal_ = (nextTotal_ + 1) % totals_.size();
    return total;
}

QSize CardColumn::sizeHint() const {
    const int width = measuredWidth_ > 0 ? measuredWidth_ : 300;
    return QSize(width, heightForWidth(width));
}

QSize CardColumn::minimumSizeHint() const {
    return QSize(0, 0);
}

void CardColumn::arrange() {
    // Until the column's parent has given it a width, nothing is measured at a width it never has.
    if (!testAttribute(Qt::WA_Resized))
        return;
    const int width = this->width();
    if (width != measuredWidth_) {
        measuredWidth_ = width;
        for (Entry& entry : cards_)
            entry.height = -1;
        firstMoved_ = 0;
    }
    if (firstMoved_ >= count() && !cards_.empty())
        return;
    // The cards above the first one that moved keep their places.
    int top = 0;
    if (firstMoved_ > 0) {
        const Entry& above = cards_[std::size_t(firstMoved_ - 1)];
        top = above.card->y() + above.height + spacing_;
    }
    for (int i = firstMoved_; i < count(); ++i) {
        Entry& entry = cards_[std::size_t(i)];
        if (entry.height < 0)
            entry.height = measured(entry.card, width);
        const QRect place(0, top, width, entry.height);
        if (entry.card->geometry() != place)
            entry.card->setGeometry(place);
        top += entry.height + spacing_;
    }
    firstMoved_ = count();
    const int total = cards_.empty() ? 0 : top - spacing_;
    if (total != total_) {
        total_ = total;
        forgetTotals();
        updateGeometry();
    }
}

bool CardColumn::event(QEvent* event) {
    // A card's own layout changed (a shown card, a longer text): every card is asked, and each
    // answers from what it remembers unless it is the one that changed.
    if (event->type() == QEvent::LayoutRequest) {
        if (measuredWidth_ < 0)
            return true;
        for (int i = 0; i < count(); ++i) {
            Entry& entry = cards_[std::size_t(i)];
            if (measured(entry.card, measuredWidth_) != entry.height) {
                entry.height = -1;
                firstMoved_ = std::min(firstMoved_, i);
            }
        }
        forgetTotals();
        arrange();
        return true;
    }
    return QWidget::event(event);
}

void CardColumn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

} // namespace tavro
