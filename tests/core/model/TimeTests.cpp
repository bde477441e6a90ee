#include "model/Time.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(Time, ISO8601RoundTrips) {
    EXPECT_EQ(formatISO8601(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(formatISO8601(1767225600.5), "2026-01-01T00:00:00.500Z");
    EXPECT_EQ(formatISO8601(1767225600.9996), "2026-01-01T00:00:01.000Z");

    struct Case {
        const char* text;
        std::optional<Seconds> expected;
    };
    const Case cases[] = {
        {"2026-01-01T00:00:00Z", 1767225600.0},
        {"2026-01-01T00:00:00.250Z", 1767225600.25},
        {"2026-01-01T01:00:00+01:00", 1767225600.0},
        {"2026-01-01T00:00:00", std::nullopt},
        {"2026-13-01T00:00:00Z", std::nullopt},
        {"2026-02-30T00:00:00Z", std::nullopt},
        {"yesterday", std::nullopt},
    };
    for (const auto& c : cases) {
        auto parsed = parseISO8601(c.text);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.text;
        if (parsed) {
            EXPECT_DOUBLE_EQ(*parsed, *c.expected) << c.text;
        }
    }
}
