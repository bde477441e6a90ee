#include "model/Wire.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tavro;
using nlohmann::json;

namespace {

// A value as it comes out of a parsed reply; "missing" stands for an absent key.
struct Value {
    std::optional<json> value;
    const json* get() const { return value ? &*value : nullptr; }
};

Value parsed(const char* text) {
    return {json::parse(text)};
}
const Value missing{};

} // namespace

TEST(Wire, FieldTellsAMissingKeyFromNull) {
    const auto row = json::parse(R"({"a": null, "b": 1})");
    ASSERT_NE(Wire::field(row, "a"), nullptr);
    EXPECT_TRUE(Wire::field(row, "a")->is_null());
    EXPECT_EQ(Wire::field(row, "c"), nullptr);
    EXPECT_EQ(Wire::field(json::array({1}), "b"), nullptr);
}

TEST(Wire, ReadsText) {
    EXPECT_EQ(Wire::str(parsed(R"("abc")").get()), "abc");
    EXPECT_EQ(Wire::str(parsed(R"(" ")").get()), " ");
    EXPECT_EQ(Wire::str(parsed(R"("")").get()), std::nullopt);
    EXPECT_EQ(Wire::str(parsed("null").get()), std::nullopt);
    EXPECT_EQ(Wire::str(parsed("5").get()), std::nullopt);
    EXPECT_EQ(Wire::str(missing.get()), std::nullopt);
}

TEST(Wire, ReadsIntegersLoosely) {
    struct Case {
        Value value;
        std::int64_t expected;
    };
    const Case cases[] = {
        {parsed("42"), 42},
        {parsed("-2.9"), -2},
        {parsed("2.9"), 2},
        {parsed(R"("+42")"), 42},
        {parsed(R"("-7")"), -7},
        {parsed(R"("42.0")"), 0},
        {parsed(R"(" 42")"), 0},
        {parsed(R"("42 ")"), 0},
        {parsed(R"("")"), 0},
        {parsed(R"("+")"), 0},
        {parsed(R"("+-4")"), 0},
        {parsed(R"("9223372036854775807")"), INT64_MAX},
        {parsed(R"("-9223372036854775808")"), INT64_MIN},
        {parsed(R"("9223372036854775808")"), 0},
        {parsed("18446744073709551615"), 0},
        {parsed("1e300"), 0},
        {parsed("true"), 0},
        {parsed("null"), 0},
        {parsed("[1]"), 0},
        {parsed(R"({"a": 1})"), 0},
        {missing, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Wire::integer(c.value.get()), c.expected)
            << (c.value.value ? c.value.value->dump() : "missing");
    const json infinite = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Wire::integer(&infinite), 0);
    const json notANumber = std::nan("");
    EXPECT_EQ(Wire::integer(&notANumber), 0);
}

TEST(Wire, ReadsFloatingNumbersLoosely) {
    struct Case {
        Value value;
        double expected;
    };
    const Case cases[] = {
        {parsed("2.5"), 2.5},        {parsed("3"), 3.0},        {parsed(R"("2.5e3")"), 2500},
        {parsed(R"("-0.5")"), -0.5}, {parsed(R"("0x1p3")"), 8}, {parsed(R"("letters")"), 0},
        {parsed(R"(" 2.5")"), 0},    {parsed(R"("2.5 ")"), 0},  {parsed(R"("2,5")"), 0},
        {parsed(R"("")"), 0},        {parsed("false"), 0},      {missing, 0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Wire::floating(c.value.get()), c.expected)
            << (c.value.value ? c.value.value->dump() : "missing");
    EXPECT_TRUE(std::isnan(Wire::floating(parsed(R"("NaN")").get())));
    EXPECT_EQ(Wire::floating(parsed(R"("-Infinity")").get()),
              -std::numeric_limits<double>::infinity());
}

TEST(Wire, ReadsFlagsAndLists) {
    EXPECT_TRUE(Wire::boolean(parsed("true").get()));
    EXPECT_FALSE(Wire::boolean(parsed("false").get()));
    EXPECT_TRUE(Wire::boolean(parsed("2").get()));
    EXPECT_FALSE(Wire::boolean(parsed("0").get()));
    EXPECT_FALSE(Wire::boolean(parsed(R"("1")").get()));
    EXPECT_FALSE(Wire::boolean(parsed(R"("true")").get()));
    EXPECT_FALSE(Wire::boolean(missing.get()));

    EXPECT_EQ(Wire::strings(parsed(R"(["a", 1, "", null, "b"])").get()),
              (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(Wire::strings(parsed(R"("a")").get()).empty());
    EXPECT_TRUE(Wire::strings(missing.get()).empty());
}

TEST(Wire, WritesJSONValuesAsSortedText) {
    EXPECT_EQ(Wire::json(parsed(R"({"b": 1, "a": {"d": [1, 2], "c": null}})").get()),
              R"({"a":{"c":null,"d":[1,2]},"b":1})");
    EXPECT_EQ(Wire::json(parsed(R"("not { json")").get()), "not { json");
    EXPECT_EQ(Wire::json(parsed("[]").get()), "[]");
    EXPECT_EQ(Wire::json(parsed("5").get()), std::nullopt);
    EXPECT_EQ(Wire::json(parsed("true").get()), std::nullopt);
    EXPECT_EQ(Wire::json(parsed("null").get()), std::nullopt);
    EXPECT_EQ(Wire::json(missing.get()), std::nullopt);
    // Text that the writer cannot write gives nothing rather than an exception.
    const json broken = {{"a", std::string("\xff")}};
    EXPECT_EQ(Wire::json(&broken), std::nullopt);

    // Arrays and objects nested deeper than 512 levels are not written, however deep a server
    // makes them: the writer would otherwise exhaust the stack and take the program down.
    const auto nested = [](size_t levels) {
        return std::string(levels, '[') + std::string(levels, ']');
    };
    const json deepest = json::parse(nested(512));
    EXPECT_EQ(Wire::json(&deepest), nested(512));
    const json tooDeep = json::parse(nested(513));
    EXPECT_EQ(Wire::json(&tooDeep), std::nullopt);
    const json hostile = json::parse("{\"a\":" + nested(200000) + "}");
    EXPECT_EQ(Wire::json(&hostile), std::nullopt);
    EXPECT_EQ(Wire::summarize("custom", &hostile, {}), std::nullopt);
}

TEST(Wire, ReadsTimes) {
    const Seconds instant = 1767225600.25; // 2026-01-01T00:00:00.250Z
    struct Case {
        Value value;
        std::optional<Seconds> expected;
    };
    const Case cases[] = {
        {parsed("1767225600.25"), instant},
        {parsed("1767225600250"), instant},
        {parsed("1000000000000"), 1e12},
        {parsed("1000000000001"), 1000000000.001},
        {parsed("0"), 0},
        {parsed(R"("2026-01-01T00:00:00.250Z")"), instant},
        {parsed(R"("2026-01-01T00:00:00Z")"), 1767225600.0},
        {parsed(R"("2026-01-01T01:00:00.250+01:00")"), instant},
        {parsed(R"("2025-12-31T19:30:00.250-04:30")"), instant},
        {parsed(R"("2026-01-01T23:59:00.250+23:59")"), instant},
        // Only RFC 3339 offsets: ±HH:MM in range.
        {parsed(R"("2026-01-01T02:00:00+0200")"), std::nullopt},
        {parsed(R"("2026-01-01T02:00:00+02")"), std::nullopt},
        {parsed(R"("2026-01-01T02:00:00+02:")"), std::nullopt},
        {parsed(R"("2026-01-01T02:00:00+99:00")"), std::nullopt},
        {parsed(R"("2026-01-01T02:00:00+24:00")"), std::nullopt},
        {parsed(R"("2026-01-01T02:00:00+05:99")"), std::nullopt},
        {parsed(R"("2026-01-01T02:00:00+05:60")"), std::nullopt},
        {parsed(R"("2026-01-01T02:00:00+2:00")"), std::nullopt},
        {parsed(R"("2026-01-01")"), std::nullopt},
        {parsed(R"("1767225600")"), std::nullopt},
        {parsed(R"("")"), std::nullopt},
        {parsed("1e300"), 1e297},
        {parsed("-1e300"), -1e300},
        {parsed("true"), std::nullopt},
        {parsed("null"), std::nullopt},
        {missing, std::nullopt},
    };
    for (const auto& c : cases) {
        auto read = Wire::date(c.value.get());
        const auto label = c.value.value ? c.value.value->dump() : "missing";
        ASSERT_EQ(read.has_value(), c.expected.has_value()) << label;
        if (read) {
            EXPECT_NEAR(*read, *c.expected, std::abs(*c.expected) * 1e-15 + 1e-6) << label;
        }
    }
    const json infinite = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Wire::date(&infinite), std::nullopt);
}

TEST(Wire, StampsTimesForTheWire) {
    EXPECT_EQ(Wire::stamp(1714566600.25), "2024-05-01T12:30:00.250Z");
    EXPECT_TRUE(Wire::stamp(std::nullopt).is_null());
    for (Seconds time : {0.0, 1714566600.25, 1767225600.999, -86400.5}) {
        const json stamped = Wire::stamp(time);
        auto back = Wire::date(&stamped);
        ASSERT_TRUE(back) << time;
        EXPECT_NEAR(*back, time, 0.001) << time;
    }
    // Never undefined behaviour, whatever a row holds.
    EXPECT_EQ(Wire::stamp(1e300), "9999-12-31T23:59:59.999Z");
    EXPECT_EQ(Wire::stamp(std::nan("")), "1970-01-01T00:00:00.000Z");
}

TEST(Wire, SummarizesServerHistory) {
    const auto names = [](std::string_view id) -> std::optional<std::string> {
        if (id == "p1")
            return "Ada";
        return std::nullopt;
    };
    struct Case {
        const char* kind;
        const char* detail; // nullptr: no detail at all
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"status_changed", R"({"from": "in_progress", "to": "resolved"})",
         "in progress \u2192 resolved"},
        {"status_changed", R"({"to": "in_progress"})", "in progress"},
        {"status_changed", R"({"from": "", "to": 5})", ""},
        {"assigned", R"({"assignee_id": "p1"})", "Ada"},
        {"assigned", R"({"assignee_id": "p2"})", "p2"},
        {"assigned", R"({})", std::nullopt},
        {"resolved", R"({"resolution": "", "resolution_ref": "PR 9"})", ""},
        {"proposed", R"({"resolution_ref": "PR 9"})", "PR 9"},
        {"resolved", R"({"resolution": 4})", std::nullopt},
        {"commented", R"({"body": 7})", ""},
        {"moved", R"({"group_name": "Web", "group_id": "p1"})", "Web"},
        {"moved", R"({"group_id": "p1"})", "Ada"},
        {"moved", R"({"group_id": "g9"})", "g9"},
        {"created", R"({"mode": "region"})", "Region"},
        {"created", R"({"mode": "fULL sCREEN"})", "Full Screen"},
        {"created", R"({"mode": "text"})", "no screenshot"},
        {"created", R"({})", std::nullopt},
        {"claimed", R"({"by": "someone"})", std::nullopt},
        {"labelled", R"({"b": 2, "a": "x"})", R"({"a":"x","b":2})"},
        {"labelled", R"({})", std::nullopt},
        {"labelled", R"([1, 2])", std::nullopt},
        {"labelled", nullptr, std::nullopt},
        {"Status_Changed", R"({"to": "open"})", R"({"to":"open"})"},
    };
    for (const auto& c : cases) {
        std::optional<json> detail;
        if (c.detail)
            detail = json::parse(c.detail);
        EXPECT_EQ(Wire::summarize(c.kind, detail ? &*detail : nullptr, names), c.expected)
            << c.kind << " " << (c.detail ? c.detail : "");
    }

    const std::string body = std::string(150, 'x') + std::string(50, 'y');
    const json comment = {{"body", body}};
    EXPECT_EQ(Wire::summarize("commented", &comment, names), std::string(140, 'x'));
    // Characters as a reader sees them: an accented letter in two code points is one.
    std::string accented;
    for (int i = 0; i < 141; ++i)
        accented += "e\u0301";
    const json accentedComment = {{"body", accented}};
    EXPECT_EQ(Wire::summarize("commented", &accentedComment, names), accented.substr(0, 140 * 3));
}

TEST(Wire, ChecksIdsAndHashesBeforeTheyNameFiles) {
    const std::string hash(64, 'a');
    struct Case {
        std::string text;
        bool id;
        bool sha;
    };
    const Case cases[] = {
        {"3f2b8c1e-4d5a-4b6c-9e7f-0a1b2c3d4e5f", true, false},
        {"3f2b8c1e4d5a4b6c9e7f0a1b2c3d4e5f", true, false},
        {"user_42", true, false},
        {hash, true, true},
        {"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef", true, true},
        {"0123456789ABCDEF0123456789abcdef0123456789abcdef0123456789abcdef", true, false},
        {hash.substr(1), true, false},
        {hash + "a", true, false},
        {"", false, false},
        {"..", false, false},
        {"../../etc/passwd", false, false},
        {"a/b", false, false},
        {"a\\b", false, false},
        {"a.png", false, false},
        {"/abs", false, false},
        {"a b", false, false},
        {std::string("a\0b", 3), false, false},
        {std::string(129, 'a'), false, false},
        {"\u00e9t\u00e9", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Wire::isID(c.text), c.id) << c.text;
        EXPECT_EQ(Wire::isSHA256(c.text), c.sha) << c.text;
    }
}
