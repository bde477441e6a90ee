#include "board/TitleWidths.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace tavro;

namespace {

// Keys for the table: addresses it never reads through.
const BoardItem* key(std::size_t i) {
    static std::vector<char> block(1 << 20);
    return reinterpret_cast<const BoardItem*>(block.data() + 16 * i);
}

} // namespace

TEST(TitleWidthsTest, KeepsWhatWasSetThroughGrowthAndRemovalsAsAMapWould) {
    struct Step {
        const char* name;
        std::size_t from;
        std::size_t to;
        bool erase;
    };
    const Step steps[] = {
        {"the first few", 0, 10, false},
        {"past several growths", 10, 5000, false},
        {"every third taken out", 0, 5000, true},
        {"some of them back", 0, 900, false},
        {"a run in the middle taken out", 2000, 2600, true},
    };
    TitleWidths widths;
    std::map<const BoardItem*, double> expected;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        for (std::size_t i = step.from; i < step.to; ++i) {
            if (!step.erase) {
                widths.set(key(i), double(i) + 0.5);
                expected[key(i)] = double(i) + 0.5;
            } else if (i % 3 == 0 || step.from == 2000) {
                widths.erase(key(i));
                expected.erase(key(i));
            }
        }
        EXPECT_EQ(widths.size(), expected.size());
        for (std::size_t i = 0; i < 5100; ++i) {
            const auto found = expected.find(key(i));
            EXPECT_EQ(widths.find(key(i)),
                      found == expected.end() ? std::nullopt : std::optional(found->second))
                << i;
        }
    }
    widths.clear();
    EXPECT_EQ(widths.find(key(1)), std::nullopt);
    EXPECT_EQ(widths.size(), 0u);
}
