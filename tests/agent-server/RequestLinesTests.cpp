#include "RequestLines.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tavro;

TEST(RequestLines, OverlongLinesAreDroppedAndTheNextOnesServed) {
    const std::string big(200, 'x');
    std::istringstream input(
        "first\n"
        "\n" +
        big + "\n" + R"({"jsonrpc":"2.0","id":7,"method":"tools/call","params":")" + big + "\"}\n" +
        R"({"id" : "a-1", "params":")" + big + "\"}\n" +
        R"({"method":"x","params":{"id":3,"body":")" + big + "\"}}\n" + "second\r\n" + big);
    RequestLines lines(input, 64);
    struct Expected {
        std::string text;
        bool overlong;
        std::optional<JSON> id;
    };
    const std::vector<Expected> expected = {
        {"first", false, std::nullopt},
        {"", false, std::nullopt},
        {"", true, std::nullopt},
        {"", true, JSON(7)},
        {"", true, JSON("a-1")},
        {"", true, std::nullopt}, // an argument's id is not the request's
        {"second", false, std::nullopt},
        {"", true, std::nullopt}, // the input ends inside an over-long line
    };
    for (const auto& want : expected) {
        auto line = lines.next();
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(line->text, want.text);
        EXPECT_EQ(line->overlong, want.overlong) << want.text;
        EXPECT_EQ(line->id, want.id) << want.text;
        EXPECT_LE(line->text.capacity(), 64u * 2);
    }
    EXPECT_FALSE(lines.next().has_value());
}
