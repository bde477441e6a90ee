#include "model/TagNames.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(TagNames, AreTrimmedLowerCasedUniqueAndInCodePointOrder) {
    struct Case {
        std::vector<std::string> given;
        std::vector<std::string> stored;
    };
    const std::vector<Case> cases{
        {{" Login ", "login", "", "UI"}, {"login", "ui"}},
        {{}, {}},
        {{" ", "\t", "\u00A0\u2003"}, {}},
        {{"\tÄrger\u00A0", "ärger", "ÄRGER"}, {"ärger"}},
        {{"b", "B", "é", "a", "Z"}, {"a", "b", "z", "é"}},
        {{"two words", "Two  Words"}, {"two  words", "two words"}},
        {{"line\n", "two\nlines"}, {"line", "two lines"}},             // a tag is one line
        {{"ΟΔΟΣ"}, {"\u03BF\u03B4\u03BF\u03C2"}},                      // final sigma
        {{"Cafe\u0301", "caf\u00E9", "cafe"}, {"cafe", "cafe\u0301"}}, // one é, two ways
    };
    for (const auto& c : cases)
        EXPECT_EQ(normalizedTagNames(c.given), c.stored) << ::testing::PrintToString(c.given);
}
