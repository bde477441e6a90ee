#include "board/BoardLayout.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

const BoardLineMetrics metrics{16, 14, 18};

std::vector<CardShape> cards(std::size_t count, CardShape shape = {}) {
    return std::vector<CardShape>(count, shape);
}

TEST(CardGridLayout, FitsAdaptiveColumnsBetweenTheirBounds) {
    struct Case {
        double width;
        int columns;
        double columnWidth;
        double firstLeft;
    };
    const Case cases[] = {
        {292, 1, 244, 24}, // exactly one minimum column
        {300, 1, 252, 24}, // one column takes the room
        {504, 1, 340, 82}, // capped at 340, centred
        {552, 2, 244, 24}, // two minimum columns and one spacing
        {1000, 3, (952 - 32) / 3.0, 24},
        {1180 - 214, 3, (918 - 32) / 3.0, 24},
        {2000, 7, (1952 - 96) / 7.0, 24},
        {100, 1, 52, 24}, // narrower than a column: the card takes what there is
    };
    for (const auto& c : cases) {
        const CardGridLayout layout(c.width, cards(20), metrics);
        EXPECT_EQ(layout.columns(), c.columns) << c.width;
        EXPECT_NEAR(layout.columnWidth(), c.columnWidth, 0.01) << c.width;
        EXPECT_NEAR(layout.cardRect(0).left(), c.firstLeft, 0.01) << c.width;
        EXPECT_NEAR(layout.cardRect(0).top(), 24, 0.01) << c.width;
    }
}

TEST(CardGridLayout, SizesCardsByTheirContentAndRowsByTheTallest) {
    // Header 148, padding 10 twice, the source line 14.
    struct Case {
        CardShape shape;
        double columnWidth;
        double height;
    };
    const Case cases[] = {
        {{false, false, 0}, 300, 148 + 20 + 14},
        {{false, true, 0}, 300, 148 + 20 + 14 + 7 + 18},
        {{true, false, 200}, 300, 148 + 20 + 14 + 16 + 7},
        {{true, false, 281}, 300, 148 + 20 + 14 + 32 + 7}, // past 280 it wraps
        {{true, true, 281}, 300, 148 + 20 + 14 + 32 + 7 + 7 + 18},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CardGridLayout::cardHeight(c.shape, c.columnWidth, metrics), c.height);

    // Two columns: the shorter card sits in the middle of the taller card's row.
    std::vector<CardShape> shapes{{false, false, 0}, {true, true, 400}, {false, false, 0}};
    const CardGridLayout layout(552, shapes, metrics);
    const double tall = CardGridLayout::cardHeight(shapes[1], 244, metrics);
    const double shortCard = 182;
    EXPECT_EQ(layout.cardRect(1).top(), 24);
    EXPECT_EQ(layout.cardRect(0).top(), 24 + (tall - shortCard) / 2);
    EXPECT_EQ(layout.cardRect(0).center().y(), layout.cardRect(1).center().y());
    const auto none = [](std::size_t) {
        return std::size_t(0);
    };
    EXPECT_EQ(layout.hitTest(layout.cardRect(0).center(), none), (BoardHit{0, BoardPart::body}));
    EXPECT_EQ(layout.hitTest(QPointF(layout.cardRect(0).center().x(), 26), none), std::nullopt)
        << "above the centred card is the row's empty space";
    EXPECT_EQ(layout.cardRect(0).height(), shortCard);
    EXPECT_EQ(layout.cardRect(2).top(), 24 + tall + 16);
    EXPECT_EQ(layout.cardRect(2).left(), 24);
    EXPECT_EQ(layout.contentHeight(), 24 + tall + 16 + shortCard + 24);
    EXPECT_EQ(CardGridLayout(552, {}, metrics).contentHeight(), 0);
}

TEST(CardGridLayout, FindsVisibleCardsAndTheirParts) {
    const CardGridLayout layout(552, cards(9), metrics); // 2 columns of 182-point cards
    const double pitch = 182 + 16;
    struct RangeCase {
        double top;
        double bottom;
        std::pair<std::size_t, std::size_t> range;
    };
    const RangeCase ranges[] = {
        {0, 10, {0, 0}}, // only the padding
        {0, 24, {0, 2}},
        {0, 300, {0, 4}},
        {24 + pitch - 10, 24 + pitch - 5, {}}, // in the spacing between rows
        {24 + 2 * pitch, 24 + 2 * pitch + 1, {4, 6}},
        {24 + 4 * pitch, 100000, {8, 9}},
    };
    for (const auto& c : ranges) {
        const auto range = layout.visibleRange(c.top, c.bottom);
        if (c.range == std::pair<std::size_t, std::size_t>{})
            EXPECT_EQ(range.first, range.second) << c.top;
        else
            EXPECT_EQ(range, c.range) << c.top;
    }

    const QRectF second = layout.cardRect(1);
    const auto actions = CardGridLayout::actionRects(second, 2);
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[1], QRectF(second.right() - 32, second.top() + 116, 24, 24));
    EXPECT_EQ(actions[0], QRectF(second.right() - 62, second.top() + 116, 24, 24));

    const auto two = [](std::size_t) {
        return std::size_t(2);
    };
    const auto one = [](std::size_t) {
        return std::size_t(1);
    };
    struct HitCase {
        QPointF point;
        std::optional<BoardHit> hit;
        bool resolvedCards = false;
    };
    const HitCase hits[] = {
        {second.center(), BoardHit{1, BoardPart::body}},
        {actions[1].center(), BoardHit{1, BoardPart::remove}},
        {actions[0].center(), BoardHit{1, BoardPart::resolve}},
        {actions[0].center(), BoardHit{1, BoardPart::body}, true}, // no resolve button there
        {actions[1].center(), BoardHit{1, BoardPart::remove}, true},
        {QPointF(second.left() - 8, second.center().y()), std::nullopt}, // between columns
        {QPointF(10, 10), std::nullopt},
        {QPointF(30, 24 + 5 * pitch), std::nullopt}, // below the last card
        {layout.cardRect(8).center(), BoardHit{8, BoardPart::body}},
    };
    for (const auto& c : hits) {
        const auto hit =
            c.resolvedCards ? layout.hitTest(c.point, one) : layout.hitTest(c.point, two);
        EXPECT_EQ(hit, c.hit) << c.point.x() << "," << c.point.y();
    }
}

TEST(RowListLayout, StacksRowsAcrossTheWidth) {
    const RowListLayout layout(800, 5, metrics);
    EXPECT_EQ(layout.rowHeight(), 58); // the 42-point thumbnail and 8 above and below
    EXPECT_EQ(layout.rowRect(0), QRectF(16, 16, 768, 58));
    EXPECT_EQ(layout.rowRect(2), QRectF(16, 16 + 2 * 59, 768, 58));
    EXPECT_EQ(layout.contentHeight(), 32 + 5 * 58 + 4);
    EXPECT_EQ(RowListLayout(800, 0, metrics).contentHeight(), 0);
    EXPECT_EQ(RowListLayout(800, 1, {30, 20, 18}).rowHeight(), 69); // tall fonts win

    struct Case {
        double top;
        double bottom;
        std::pair<std::size_t, std::size_t> range;
    };
    const Case ranges[] = {
        {0, 16, {0, 1}},     {0, 80, {0, 2}},          {100, 140, {1, 3}},
        {0, 100000, {0, 5}}, {100000, 100100, {5, 5}},
    };
    for (const auto& c : ranges)
        EXPECT_EQ(layout.visibleRange(c.top, c.bottom), c.range) << c.top;

    EXPECT_EQ(layout.hitTest(QPointF(400, 16 + 59 + 10)), (BoardHit{1, BoardPart::body}));
    EXPECT_EQ(layout.hitTest(QPointF(400, 16 + 58.5)), std::nullopt); // the 1-point gap
    EXPECT_EQ(layout.hitTest(QPointF(8, 30)), std::nullopt);
    EXPECT_EQ(layout.hitTest(QPointF(400, 16 + 5 * 59 + 5)), std::nullopt);
}

} // namespace
} // namespace tavro

TEST(FittedChipWidths, ChipsShrinkBeforeOneIsLeftOut) {
    using tavro::fittedChipWidths;
    struct Case {
        const char* name;
        std::vector<double> natural;
        double available;
        std::vector<double> widths;
    };
    const Case cases[] = {
        {"both fit", {40, 60}, 200, {40, 60}},
        {"exactly", {40, 60}, 105, {40, 60}},
        {"the wider gives way first", {40, 100}, 125, {40, 80}},
        {"then both, to one width", {80, 100}, 105, {50, 50}},
        {"one left out, the other cut to the room", {80, 100}, 45, {45, 0}},
        {"not even one fits", {80, 100}, 20, {0, 0}},
        {"a chip narrower than the narrowest keeps its width", {20, 100}, 80, {20, 55}},
        {"no chips", {}, 100, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<double> widths = fittedChipWidths(c.natural, c.available, 5, 30);
        ASSERT_EQ(widths.size(), c.widths.size());
        for (std::size_t i = 0; i < widths.size(); ++i)
            EXPECT_NEAR(widths[i], c.widths[i], 0.01) << i;
    }
}
