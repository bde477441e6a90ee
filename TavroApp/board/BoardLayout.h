#pragma once

#include <QPointF>
#include <QRectF>

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace tavro {

// Heights of the text lines cards and rows are built from, taken from the theme's fonts.
struct BoardLineMetrics {
    double headline = 16; // one line of the title
    double caption = 14;  // the source line, chips and counts
    double meta = 18;     // the meta line: chips, a 16-point avatar

    bool operator==(const BoardLineMetrics&) const = default;
};

// What of a card changes its height.
struct CardShape {
    bool titleInDetails = false;
    bool hasMetaLine = false;
    // The title's width on one line; past the text width it takes a second line.
    double titleWidth = 0;
};

// The part of a card or row a point is over.
enum class BoardPart { body, resolve, remove };

struct BoardHit {
    std::size_t index = 0;
    BoardPart part = BoardPart::body;

    bool operator==(const BoardHit&) const = default;
};

// The adaptive grid of cards: as many columns of 244 to 340 points as fit, 16 apart, padded 24;
// each grid row as tall as its tallest card, shorter cards centred in it.
class CardGridLayout {
public:
    static constexpr double minColumnWidth = 244;
    static constexpr double maxColumnWidth = 340;
    static constexpr double spacing = 16;
    static constexpr double padding = 24;
    static constexpr double headerHeight = 148;
    static constexpr double detailsPadding = 10;
    static constexpr double detailsSpacing = 7;
    static constexpr double actionSide = 24;
    static constexpr double actionSpacing = 6;
    static constexpr double actionInset = 8;

    CardGridLayout() = default;
    CardGridLayout(double width, const std::vector<CardShape>& cards,
                   const BoardLineMetrics& metrics);

    int columns() const { return columns_; }
    double columnWidth() const { return columnWidth_; }
    double contentHeight() const { return contentHeight_; }
    std::size_t count() const { return cardHeights_.size(); }

    // Cards put in before `at`, taken out from `at` on, or changed at `at`: the grid rows from
    // there on are laid out again, the ones before are kept. change() says whether the rows
    // moved: the card's row changed its height.
    void insert(std::size_t at, const std::vector<CardShape>& cards);
    void remove(std::size_t at, std::size_t count);
    bool change(std::size_t at, const CardShape& card);
    // The top of the grid row that holds the card.
    double rowTop(std::size_t index) const { return rowTops_[index / std::size_t(columns_)]; }

    static double cardHeight(const CardShape& card, double columnWidth,
                             const BoardLineMetrics& metrics);
    QRectF cardRect(std::size_t index) const;
    // The cards that meet the band from `top` to `bottom`: first and one past the last.
    std::pair<std::size_t, std::size_t> visibleRange(double top, double bottom) const;
    // The hover buttons of a card, left to right, for `actions` buttons (the last is delete).
    static std::vector<QRectF> actionRects(const QRectF& card, std::size_t actions);
    // `actionCounts(index)` gives how many hover buttons that card has.
    template <class ActionCount>
    std::optional<BoardHit> hitTest(QPointF point, ActionCount actionCount) const;

private:
    std::optional<std::size_t> cardAt(QPointF point) const;
    void layRowsFrom(std::size_t row);

    BoardLineMetrics metrics_;
    int columns_ = 1;
    double columnWidth_ = minColumnWidth;
    double left_ = padding;
    std::vector<double> rowTops_;
    std::vector<double> rowHeights_;
    std::vector<double> cardHeights_;
    double contentHeight_ = 0;
};

// The list: one row per capture across the width, 1 point apart, padded 16.
class RowListLayout {
public:
    static constexpr double padding = 16;
    static constexpr double spacing = 1;
    static constexpr double insetX = 12;
    static constexpr double insetY = 8;
    static constexpr double thumbnailWidth = 68;
    static constexpr double thumbnailHeight = 42;

    RowListLayout() = default;
    RowListLayout(double width, std::size_t count, const BoardLineMetrics& metrics);

    double rowHeight() const { return rowHeight_; }
    double contentHeight() const;
    std::size_t count() const { return count_; }
    void setCount(std::size_t count) { count_ = count; }
    QRectF rowRect(std::size_t index) const;
    std::pair<std::size_t, std::size_t> visibleRange(double top, double bottom) const;
    std::optional<BoardHit> hitTest(QPointF point) const;

private:
    double width_ = 0;
    std::size_t count_ = 0;
    double rowHeight_ = 0;
};

template <class ActionCount>
std::optional<BoardHit> CardGridLayout::hitTest(QPointF point, ActionCount actionCount) const {
    const auto index = cardAt(point);
    if (!index)
        return std::nullopt;
    const auto actions = actionRects(cardRect(*index), actionCount(*index));
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (actions[i].contains(point)) {
            const bool last = i + 1 == actions.size();
            return BoardHit{*index, last ? BoardPart::remove : BoardPart::resolve};
        }
    }
    return BoardHit{*index, BoardPart::body};
}

// The widths of chips laid in a row `available` wide, `spacing` apart: their own widths when all
// fit; else the widest are cut down to one common width, none below `narrowest`; a chip that
// cannot fit even so gets 0 (left out), from the last.
std::vector<double> fittedChipWidths(const std::vector<double>& natural, double available,
                                     double spacing, double narrowest);

} // namespace tavro
