#include "compose/BackgroundDrag.h"
#include "compose/SidewaysWheel.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavro;

TEST(BackgroundDragTest, MovesTheBoxOnlyOncePastTheDragDistanceWithTheButtonHeld) {
    struct Step {
        QPoint at;
        bool held;
        bool starts;
    };
    struct Case {
        const char* name;
        bool pressed;
        std::vector<Step> steps;
    } cases[] = {
        {"a plain click never moves", true, {}},
        // Pressed at (10, 10); the steps are global positions too.
        {"a jitter under the distance", true, {{{13, 14}, true, false}, {{12, 10}, true, false}}},
        {"past the distance, once",
         true,
         {{{14, 14}, true, false}, {{26, 10}, true, true}, {{50, 10}, true, false}}},
        {"exactly the distance", true, {{{10 + 6, 10 + 4}, true, true}}},
        {"the button let go elsewhere", true, {{{14, 14}, false, false}, {{50, 50}, true, false}}},
        {"hovering without a press", false, {{{40, 40}, true, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BackgroundDrag drag(10);
        if (c.pressed)
            drag.press(QPoint(10, 10));
        for (const Step& step : c.steps)
            EXPECT_EQ(drag.move(step.at, step.held), step.starts);
    }
    BackgroundDrag released(10);
    released.press(QPoint(0, 0));
    released.release();
    EXPECT_FALSE(released.move(QPoint(50, 0), true)) << "a move after the click ended";
}

TEST(SidewaysWheelTest, EitherAxisOfATurnMovesTheStrip) {
    struct Case {
        const char* name;
        QPoint pixels;
        QPoint angle;
        int moved;
    } cases[] = {
        {"a notch down moves towards the end", {}, {0, -120}, -60},
        {"a notch up moves back", {}, {0, 120}, 60},
        {"Shift+wheel sent sideways", {}, {-120, 0}, -60},
        {"half a notch", {}, {0, -60}, -30},
        {"a trackpad's pixels win over its angle", {0, -7}, {0, -120}, -7},
        {"a slanted swipe follows its larger part", {-12, 3}, {}, -12},
        {"no turn", {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sidewaysWheelPixels(c.pixels, c.angle, 20, 3), c.moved);
    }
}
