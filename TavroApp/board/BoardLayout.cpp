#include "board/BoardLayout.h"

#include <algorithm>
#include <cmath>

namespace tavro {

CardGridLayout::CardGridLayout(double width, const std::vector<CardShape>& cards,
                               const BoardLineMetrics& metrics)
    : metrics_(metrics) {
    const double available = std::max(0.0, width - 2 * padding);
    columns_ = std::max(1, int(std::floor((available + spacing) / (minColumnWidth + spacing))));
    columnWidth_ = std::clamp((available - (columns_ - 1) * spacing) / columns_, minColumnWidth,
                              maxColumnWidth);
    if (available < minColumnWidth)
        columnWidth_ = std::max(available, 1.0);
    const double used = columns_ * columnWidth_ + (columns_ - 1) * spacing;
    left_ = padding + std::max(0.0, (available - used) / 2);

    cardHeights_.reserve(cards.size());
    for (const CardShape& card : cards)
        cardHeights_.push_back(cardHeight(card, columnWidth_, metrics));
    layRowsFrom(0);
}

void CardGridLayout::layRowsFrom(std::size_t row) {
    const std::size_t cards = cardHeights_.size();
    const auto columns = std::size_t(columns_);
    const std::size_t rows = (cards + columns - 1) / columns;
    row = std::min({row, rows, rowTops_.size()});
    rowTops_.resize(rows);
    rowHeights_.resize(rows);
    double top = row == 0 ? padding : rowTops_[row - 1] + rowHeights_[row - 1] + spacing;
    for (; row < rows; ++row) {
        const auto first = cardHeights_.begin() + std::ptrdiff_t(row * columns);
        const auto last =
            cardHeights_.begin() + std::ptrdiff_t(std::min(cards, (row + 1) * columns));
        const double height = *std::max_element(first, last);
        rowTops_[row] = top;
        rowHeights_[row] = height;
        top += height + spacing;
    }
    contentHeight_ = rows == 0 ? 0 : rowTops_.back() + rowHeights_.back() + padding;
}

void CardGridLayout::insert(std::size_t at, const std::vector<CardShape>& cards) {
    std::vector<double> heights;
    heights.reserve(cards.size());
    for (const CardShape& card : cards)
        heights.push_back(cardHeight(card, columnWidth_, metrics_));
    cardHeights_.insert(cardHeights_.begin() + std::ptrdiff_t(at), heights.begin(), heights.end());
    layRowsFrom(at / std::size_t(columns_));
}

void CardGridLayout::remove(std::size_t at, std::size_t count) {
    const auto first = cardHeights_.begin() + std::ptrdiff_t(at);
    cardHeights_.erase(first, first + std::ptrdiff_t(count));
    layRowsFrom(at / std::size_t(columns_));
}

bool CardGridLayout::change(std::size_t at, const CardShape& card) {
    const double height = cardHeight(card, columnWidth_, metrics_);
    if (height == cardHeights_[at])
        return false;
    cardHeights_[at] = height;
    const auto columns = std::size_t(columns_);
    const std::size_t row = at / columns;
    const auto first = cardHeights_.begin() + std::ptrdiff_t(row * columns);
    const auto last =
        cardHeights_.begin() + std::ptrdiff_t(std::min(cardHeights_.size(), (row + 1) * columns));
    if (*std::max_element(first, last) == rowHeights_[row])
        return false;
    layRowsFrom(row);
    return true;
}

double CardGridLayout::cardHeight(const CardShape& card, double columnWidth,
                                  const BoardLineMetrics& metrics) {
    double height = headerHeight + 2 * detailsPadding + metrics.caption;
    if (card.titleInDetails) {
        const bool twoLines = card.titleWidth > columnWidth - 2 * detailsPadding;
        height += metrics.headline * (twoLines ? 2 : 1) + detailsSpacing;
    }
    if (card.hasMetaLine)
        height += detailsSpacing + metrics.meta;
    return std::ceil(height);
}

QRectF CardGridLayout::cardRect(std::size_t index) const {
    const std::size_t row = index / size_t(columns_);
    const std::size_t column = index % size_t(columns_);
    const double height = cardHeights_[index];
    // A card shorter than its row's tallest sits in the middle of the row.
    const double top = rowTops_[row] + (rowHeights_[row] - height) / 2;
    return QRectF(left_ + double(column) * (columnWidth_ + spacing), top, columnWidth_, height);
}

std::pair<std::size_t, std::size_t> CardGridLayout::visibleRange(double top, double bottom) const {
    // Row bottoms grow with row tops, so both ends are a binary search.
    const auto after = std::upper_bound(rowTops_.begin(), rowTops_.end(), bottom);
    const std::size_t lastRow = std::size_t(after - rowTops_.begin());
    std::size_t low = 0;
    std::size_t high = lastRow;
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (rowTops_[mid] + rowHeights_[mid] < top)
            low = mid + 1;
        else
            high = mid;
    }
    const std::size_t firstRow = low;
    const std::size_t first = std::min(count(), firstRow * size_t(columns_));
    const std::size_t last = std::min(count(), lastRow * size_t(columns_));
    return {first, std::max(first, last)};
}

std::vector<QRectF> CardGridLayout::actionRects(const QRectF& card, std::size_t actions) {
    std::vector<QRectF> rects;
    double right = card.right() - actionInset;
    const double top = card.top() + headerHeight - actionInset - actionSide;
    for (std::size_t i = 0; i < actions; ++i) {
        rects.insert(rects.begin(), QRectF(right - actionSide, top, actionSide, actionSide));
        right -= actionSide + actionSpacing;
    }
    return rects;
}

std::optional<std::size_t> CardGridLayout::cardAt(QPointF point) const {
    const double x = point.x() - left_;
    if (x < 0 || rowTops_.empty())
        return std::nullopt;
    const auto column = std::size_t(x / (columnWidth_ + spacing));
    if (column >= size_t(columns_) || x - double(column) * (columnWidth_ + spacing) > columnWidth_)
        return std::nullopt;
    auto after = std::upper_bound(rowTops_.begin(), rowTops_.end(), point.y());
    if (after == rowTops_.begin())
        return std::nullopt;
    const std::size_t row = std::size_t(after - rowTops_.begin()) - 1;
    const std::size_t index = row * size_t(columns_) + column;
    if (index >= count() || !cardRect(index).contains(point))
        return std::nullopt;
    return index;
}

RowListLayout::RowListLayout(double width, std::size_t count, const BoardLineMetrics& metrics)
    : width_(width)
    , count_(count)
    , rowHeight_(std::ceil(2 * insetY +
                           std::max(thumbnailHeight, metrics.headline + 3 + metrics.caption))) {}

double RowListLayout::contentHeight() const {
    if (count_ == 0)
        return 0;
    return 2 * padding + double(count_) * rowHeight_ + double(count_ - 1) * spacing;
}

QRectF RowListLayout::rowRect(std::size_t index) const {
    return QRectF(padding, padding + double(index) * (rowHeight_ + spacing),
                  std::max(0.0, width_ - 2 * padding), rowHeight_);
}

std::pair<std::size_t, std::size_t> RowListLayout::visibleRange(double top, double bottom) const {
    const double pitch = rowHeight_ + spacing;
    const double firstRow = std::floor((top - padding) / pitch);
    const double lastRow = std::floor((bottom - padding) / pitch) + 1;
    const auto clampIndex = [this](double value) {
        return std::size_t(std::clamp(value, 0.0, double(count_)));
    };
    return {clampIndex(firstRow), clampIndex(lastRow)};
}

std::optional<BoardHit> RowListLayout::hitTest(QPointF point) const {
    if (point.y() < padding || rowHeight_ <= 0)
        return std::nullopt;
    const auto index = std::size_t((point.y() - padding) / (rowHeight_ + spacing));
    if (index >= count_ || !rowRect(index).contains(point))
        return std::nullopt;
    return BoardHit{index, BoardPart::body};
}

std::vector<double> fittedChipWidths(const std::vector<double>& natural, double available,
                                     double spacing, double narrowest) {
    std::vector<double> widths(natural.size(), 0);
    for (std::size_t shown = natural.size(); shown > 0; --shown) {
        const double room = available - double(shown - 1) * spacing;
        const auto used = [&](double cap) {
            double sum = 0;
            for (std::size_t i = 0; i < shown; ++i)
                sum += std::min(natural[i], cap);
            return sum;
        };
        const double widest = *std::max_element(natural.begin(), natural.begin() + shown);
        if (used(narrowest) > room)
            continue;
        // The widest give way first, down to one common width.
        double cap = widest;
        if (used(widest) > room) {
            double low = narrowest, high = widest;
            for (int step = 0; step < 40; ++step) {
                const double mid = (low + high) / 2;
                (used(mid) > room ? high : low) = mid;
            }
            cap = low;
        }
        for (std::size_t i = 0; i < shown; ++i)
            widths[i] = std::min(natural[i], cap);
        return widths;
    }
    return widths;
}

} // namespace tavro
