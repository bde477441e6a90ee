#include "model/Capture.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

struct Case {
    std::optional<std::string> title;
    std::optional<std::string> app;
    std::optional<std::string> expected;
};

TEST(Capture, DistinctWindowTitleSaysMoreThanTheAppName) {
    const Case cases[] = {
        {"  Mail  ", "mail", std::nullopt},   {"Inbox", std::nullopt, "Inbox"},
        {"   ", "Mail", std::nullopt},        {"Inbox — Mail", "Mail", "Inbox — Mail"},
        {std::nullopt, "Mail", std::nullopt}, {"\n Inbox \t", "Mail", "Inbox"},
        {"", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        Capture capture;
        capture.windowTitle = c.title;
        capture.appName = c.app;
        EXPECT_EQ(capture.distinctWindowTitle(), c.expected) << c.title.value_or("(none)");
    }
}

} // namespace
