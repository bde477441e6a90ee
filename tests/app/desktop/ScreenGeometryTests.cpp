#include "desktop/ScreenGeometry.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavro;

TEST(ScreenGeometry, CropRectRoundsTheCornerDownAndTheSizeToNearest) {
    struct Case {
        QRectF selection;
        QRectF frame;
        double scale;
        QSize image;
        std::optional<QRect> crop;
    };
    const QSize retina(2880, 2000);
    const Case cases[] = {
        // 100.3 from the left and 241.1 from the bottom of a 1000-point-high 2x display.
        {{100.3, 1000 - 241.1, 50.5, 40.5},
         {0, 0, 1440, 1000},
         2,
         retina,
         QRect(200, 1517, 101, 81)},
        {{10.25, 20.75, 3.25, 5.75}, {0, 0, 100, 100}, 1, {100, 100}, QRect(10, 20, 3, 6)},
        {{1930, 110, 40, 30}, {1920, 100, 800, 600}, 1.5, {1200, 900}, QRect(15, 15, 60, 45)},
        // Cut to the image where the selection spills over its edge.
        {{1400, 950, 100, 100}, {0, 0, 1440, 1000}, 2, retina, QRect(2800, 1900, 80, 100)},
        {{-20, -20, 30, 30}, {0, 0, 1440, 1000}, 1, {1440, 1000}, QRect(0, 0, 10, 10)},
        // Nothing left of it.
        {{3000, 3000, 50, 50}, {0, 0, 1440, 1000}, 2, retina, std::nullopt},
        {{1440.2, 0, 10, 10}, {0, 0, 1440, 1000}, 1, {1440, 1000}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScreenGeometry::cropRect(c.selection, c.frame, c.scale, c.image), c.crop)
            << c.selection.x() << "," << c.selection.y();
}

TEST(ScreenGeometry, ScreenHoldingMostOfASelection) {
    const std::vector<QRectF> frames{{0, 0, 1000, 800}, {1000, 0, 1000, 800}, {0, 800, 1000, 800}};
    struct Case {
        QRectF rect;
        std::optional<size_t> screen;
    };
    const Case cases[] = {
        {{100, 100, 50, 50}, 0}, {{980, 100, 50, 50}, 1}, // 30 of 50 points on the second
        {{975, 100, 50, 50}, 0},                          // equal halves: the first wins
        {{1000, 100, 0, 50}, 0}, // touches both edges with no area: the first
        {{2000, 0, 30, 30}, 1},  // touching the right edge only
        {{100, 790, 50, 50}, 2}, {{5000, 5000, 10, 10}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScreenGeometry::screenHoldingMostOf(c.rect, frames), c.screen)
            << c.rect.x() << "," << c.rect.y();

    EXPECT_EQ(ScreenGeometry::screenContaining({1500, 10}, frames), 1u);
    EXPECT_EQ(ScreenGeometry::screenContaining({1000, 799}, frames), 1u) << "edges are half-open";
    EXPECT_EQ(ScreenGeometry::screenContaining({-1, 0}, frames), std::nullopt);
}
