#include "JSONRPC.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(JSONRPC, ParsesRequestsAndRefusesEverythingElse) {
    struct Case {
        const char* line;
        std::optional<JSONRPC::Request> expected;
    };
    const Case cases[] = {
        {R"({"jsonrpc":"2.0","id":1,"method":"ping"})", JSONRPC::Request{JSON(1), "ping"}},
        {R"({"id":"r1","method":"ping","params":[1]})", JSONRPC::Request{JSON("r1"), "ping"}},
        {R"({"id":null,"method":"ping"})", JSONRPC::Request{JSON(nullptr), "ping"}},
        {R"({"method":"ping"})", JSONRPC::Request{std::nullopt, "ping"}},
        {R"({"id":1.5,"method":"x","params":{"a":[1]}})",
         JSONRPC::Request{JSON(1.5), "x", JSON{{"a", {1}}}}},
        {R"({"id":{"x":1},"method":"","params":"text"})", JSONRPC::Request{JSON{{"x", 1}}, ""}},
        {R"({"method":5})", std::nullopt},
        {R"({"id":1})", std::nullopt},
        {R"([1,2])", std::nullopt},
        {"42", std::nullopt},
        {"hello", std::nullopt},
        {R"({"method":"ping")", std::nullopt},
        {"null", std::nullopt},
        // A number beyond a double's range is a value of the wrong type, not a broken line.
        {R"({"id":1,"method":"x","params":{"limit":1E400}})",
         JSONRPC::Request{JSON(1), "x", JSON{{"limit", nullptr}}}},
        {R"({"id":-2e308,"method":"x","params":{"s":"1E400 \"9e999\"","n":[1E400,-1e-400,7]}})",
         JSONRPC::Request{JSON(nullptr), "x",
                          JSON{{"s", "1E400 \"9e999\""}, {"n", {nullptr, -0.0, 7}}}}},
        {R"({"method":"x","params":{"limit":1E400})", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JSONRPC::parse(c.line), c.expected) << c.line;
}

TEST(JSONRPC, RefusesValuesNestedTooDeeply) {
    auto nested = [](const std::string& key, int levels) {
        return R"({"method":"ping",")" + key + "\":" + std::string(size_t(levels), '[') +
               std::string(size_t(levels), ']') + "}";
    };
    // 256 levels in all, the message itself included, still make a request.
    auto deepest = JSONRPC::parse(nested("id", 255));
    ASSERT_TRUE(deepest);
    EXPECT_EQ(deepest->id->dump().size(), 2u * 255);
    EXPECT_FALSE(JSONRPC::parse(nested("id", 256)));
    // Values nested far deeper are refused before anything copies them.
    for (const char* key : {"id", "params", "other"})
        EXPECT_FALSE(JSONRPC::parse(nested(key, 1000000))) << key;
    std::string objects = R"({"method":"ping","params":)";
    for (int i = 0; i < 500000; ++i)
        objects += R"({"a":)";
    objects += "1" + std::string(500000, '}') + "}";
    EXPECT_FALSE(JSONRPC::parse(objects));
}

TEST(JSONRPC, ReadsInvalidUTF8AsReplacementCharacters) {
    auto request = JSONRPC::parse("{\"method\":\"a\xFF"
                                  "b\"}");
    ASSERT_TRUE(request);
    EXPECT_EQ(request->method, "a\xEF\xBF\xBD"
                               "b");
}

TEST(JSONRPC, MessagesAreOneSortedCompactLine) {
    struct Case {
        JSON message;
        const char* expected;
    };
    const Case cases[] = {
        {JSONRPC::result(std::nullopt, JSON::object()),
         R"({"id":null,"jsonrpc":"2.0","result":{}})"},
        {JSONRPC::result(JSON(7), JSON{{"b", 1}, {"a", {{"d", true}, {"c", 1.5}}}}),
         R"({"id":7,"jsonrpc":"2.0","result":{"a":{"c":1.5,"d":true},"b":1}})"},
        {JSONRPC::error(JSON(nullptr), JSONRPC::ErrorCode::parseError,
                        "Malformed JSON-RPC message."),
         R"({"error":{"code":-32700,"message":"Malformed JSON-RPC message."},"id":null,"jsonrpc":"2.0"})"},
        {JSONRPC::error(JSON("x"), JSONRPC::ErrorCode::methodNotFound, "Unsupported method: a/b"),
         R"({"error":{"code":-32601,"message":"Unsupported method: a/b"},"id":"x","jsonrpc":"2.0"})"},
        {JSONRPC::result(JSON(1), JSON{{"text", "two\nlines \u201Cq\u201D"}}),
         "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"text\":\"two\\nlines \u201Cq\u201D\"}}"},
        {JSONRPC::result(JSON(1), JSON{{"text", "bad \xC3 byte"}}),
         "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"text\":\"bad \xEF\xBF\xBD byte\"}}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JSONRPC::serialize(c.message), c.expected);
}

TEST(JSONRPC, LinesAreWhatTheJSONLibraryWritesForEveryKindOfValue) {
    const std::string base64 = std::string(70000, 'Q') + "+/9z==";
    const JSON values[] = {
        JSON::object(),
        JSON::array(),
        JSON{{"a\"b", {1, "x", nullptr, JSON::object(), JSON::array(), false}}},
        JSON{{"\u00E9t\u00E9", -0.5},
             {"n", std::int64_t(-9007199254740993)},
             {"u", 18446744073709551615u}},
        JSON{{"data", base64}, {"type", "image"}},
        JSON{{"text", "tab\there, DEL \x7F, NUL " + std::string(1, '\0') + ", back\\slash"}},
        JSON{{"bad key \xFF", {"\xC3", "ok \xE2\x80\x9C"}}},
        JSON{{"deep", {{{"x", {{{"y", JSON::array({1.25e300, 3})}}}}}}}},
    };
    for (const auto& value : values)
        EXPECT_EQ(JSONRPC::serialize(value),
                  value.dump(-1, ' ', false, JSON::error_handler_t::replace));
}
