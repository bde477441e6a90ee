#pragma once

#include <QWidget>

#include <array>
#include <utility>
#include <vector>

namespace tavro {

// A column of cards, each as tall as it is for the column's width, one below the other. It
// remembers every card's height, so that a change costs what changed: a card added at the end
// places that card alone, and one that changes moves only the cards below it. A long thread that
// grows while it is read would otherwise be laid out whole for every new card.
class CardColumn final : public QWidget {
    Q_OBJECT

public:
    CardColumn(int spacing, QWidget* parent);
    CardColumn(const CardColumn&) = delete;
    CardColumn& operator=(const CardColumn&) = delete;

    int count() const { return int(cards_.size()); }
    QWidget* at(int index) const { return cards_[std::size_t(index)].card; }
    int indexOf(const QWidget* card) const;
    // Takes the card in at `index` (its parent becomes the column) and shows it.
    void insert(int index, QWidget* card);
    // Lets go of the card, which stays the column's child until the caller deletes it.
    void take(QWidget* card);
    // The card's content changed: it is measured again.
    void cardChanged(QWidget* card);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Entry {
        QWidget* card;
        // At the column's width; -1 until measured.
        int height = -1;
    };

    // Measures what is not measured at the current width and places the cards from the first
    // one whose place changed; asks the column's parent for another height when it changed.
    void arrange();
    void changedFrom(int index);
    void forgetTotals();

    int spacing_;
    std::vector<Entry> cards_;
    int measuredWidth_ = -1;
    // The first card whose place may have changed since the last arrangement.
    int firstMoved_ = 0;
    int total_ = 0;
    // Totals at other widths the parent's layout asked for; a width of -1 is an empty slot.
    mutable std::array<std::pair<int, int>, 4> totals_;
    mutable std::size_t nextTotal_ = 0;
};

} // namespace tavro
