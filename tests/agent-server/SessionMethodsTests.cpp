#include "AgentBoard.h"
#include "Formatting.h"
#include "StandardErrorCapture.h"
#include "model/Image.h"

#include <openssl/evp.h>

using namespace tavro;
using namespace tavro::test;

namespace {

struct SessionMethodsTest : AgentBoard {
    TavroMCPServer server{-1, store, "claude", [] {
                              return T;
                          }};

    JSON ask(const std::string& method, const JSON& params = JSON::object()) {
        auto reply = server.reply(JSONRPC::Request{JSON(1), method, params});
        EXPECT_TRUE(reply);
        return reply ? *reply : JSON();
    }

    static JSON error(int code, const std::string& message) {
        return JSON{{"code", code}, {"message", message}};
    }
};

} // namespace

TEST_F(SessionMethodsTest, InstructionsAreTheFixedText) {
    EXPECT_EQ(TavroMCPServer::instructions().size(), 1109u);
    EXPECT_EQ(ask("initialize")["result"]["instructions"], TavroMCPServer::instructions());
}

TEST_F(SessionMethodsTest, InitializeAnswersASupportedProtocolVersion) {
    struct Case {
        JSON params;
        std::string version;
    };
    const Case cases[] = {
        {{{"protocolVersion", "2024-11-05"}}, "2024-11-05"},
        {{{"protocolVersion", "2025-03-26"}}, "2025-03-26"},
        {{{"protocolVersion", "2025-06-18"}}, "2025-06-18"},
        {{{"protocolVersion", "2099-01-01"}}, "2025-06-18"},
        {{{"protocolVersion", 20241105}}, "2025-06-18"},
        {JSON::object(), "2025-06-18"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ask("initialize", c.params)["result"]["protocolVersion"], c.version) << c.params;
}

TEST_F(SessionMethodsTest, ToolCallsNeedANameAndNeverBecomeProtocolErrors) {
    add(1, "One");
    EXPECT_EQ(ask("tools/call")["error"], error(-32602, "tools/call requires a `name`."));
    EXPECT_EQ(ask("tools/call", {{"name", 5}})["error"],
              error(-32602, "tools/call requires a `name`."));
    auto listed = ask("tools/call", {{"name", "list_captures"}, {"arguments", {1}}});
    EXPECT_EQ(listed["result"]["isError"], false);
    EXPECT_TRUE(
        listed["result"]["content"][0]["text"].get<std::string>().starts_with("1 capture:"));
    EXPECT_EQ(ask("tools/call", {{"name", "nope"}})["result"],
              (JSON{{"content", {{{"type", "text"}, {"text", "Unknown tool: nope"}}}},
                    {"isError", true}}));
}

TEST_F(SessionMethodsTest, ActiveCapturesAreListedAsResources) {
    EXPECT_EQ(ask("resources/list")["result"], (JSON{{"resources", JSON::array()}}));
    auto safari = add(1, "Checkout button overlaps", T - 60, "2025/06/a.png");
    change(safari.id, [](Capture& c) {
        c.appName = "Safari";
        c.windowTitle = "Checkout";
    });
    auto bare = add(2, "", T - 120, "2025/06/b.png");
    auto typed = add(3, "Typed", T - 30);
    change(typed.id, [](Capture& c) {
        c.windowTitle = "";
        c.priority = CapturePriority::low;
    });
    auto done = add(4, "Done");
    store->resolve(done.id, std::nullopt, "you");
    EXPECT_EQ(ask("resources/list", {{"cursor", "x"}})["result"]["resources"],
              (JSON{{{"uri", "tavro://capture/" + safari.id},
                     {"name", "Checkout button overlaps"},
                     {"description", "Seen in Safari \u00B7 \u201CCheckout\u201D \u00B7 OPEN"},
                     {"mimeType", "image/png"}},
                    {{"uri", "tavro://capture/" + bare.id},
                     {"name", "Untitled capture"},
                     {"description", "OPEN"},
                     {"mimeType", "image/png"}},
                    {{"uri", "tavro://capture/" + typed.id},
                     {"name", "Typed"},
                     {"description", "\u201C\u201D \u00B7 OPEN"},
                     {"mimeType", "text/plain"}}}));
}

TEST_F(SessionMethodsTest, ReadingAResource) {
    auto capture = add(1, "Shot", T - 60, writePNG("2025/06/shot.png", 3024, 1964));
    auto typed = add(2, "Typed");
    const std::string expected = "Expected a tavro://capture/<id> uri.";
    for (const JSON& params :
         {JSON::object(), JSON{{"uri", 5}}, JSON{{"uri", "tavro://capture/"}}, JSON{{"uri", ""}}})
        EXPECT_EQ(ask("resources/read", params)["error"], error(-32602, expected)) << params;
    EXPECT_EQ(ask("resources/read", {{"uri", "tavro://capture/zzz"}})["error"],
              error(-32602, "No capture at tavro://capture/zzz."));
    EXPECT_EQ(ask("resources/read", {{"uri", "tavro://capture/c000000"}})["error"],
              error(-32602, "No capture at tavro://capture/c000000."));

    auto read = ask("resources/read", {{"uri", "tavro://capture/c0000001"}})["result"]["contents"];
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0]["uri"], "tavro://capture/c0000001");
    EXPECT_EQ(read[0]["mimeType"], "text/plain");
    EXPECT_EQ(read[0]["text"], text("get_capture", {{"id", capture.id}, {"include_image", false}}));
    EXPECT_EQ(read[1]["mimeType"], "image/png");
    auto blob = read[1]["blob"].get<std::string>();
    std::vector<uint8_t> bytes(blob.size() / 4 * 3);
    bytes.resize(size_t(EVP_DecodeBlock(bytes.data(), reinterpret_cast<const uint8_t*>(blob.data()),
                                        int(blob.size()))));
    auto image = Image::decode(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), (PixelSize{1400, 909}));

    auto bareID = ask("resources/read", {{"uri", typed.id}})["result"]["contents"];
    ASSERT_EQ(bareID.size(), 1u);
    EXPECT_EQ(bareID[0]["uri"], typed.id);

    auto doubled =
        ask("resources/read", {{"uri", "tavro://capture/x/tavro://capture/" + typed.id}})["result"];
    EXPECT_EQ(doubled["contents"].size(), 1u);
}

TEST_F(SessionMethodsTest, AResourceWhoseScreenshotIsGoneIsReadAsText) {
    auto capture = add(1, "Shot", T - 60, "2025/06/gone.png");
    StandardErrorCapture errors;
    auto read = ask("resources/read", {{"uri", "tavro://capture/" + capture.id}});
    EXPECT_EQ(read["result"]["contents"].size(), 1u);
    EXPECT_EQ(errors.text(), "[tavro-mcp] could not read image at " +
                                 (TavroPaths::capturesRoot() / "2025/06/gone.png").string() + "\n");
}

TEST_F(SessionMethodsTest, StoreFailuresOfResourcesAreInternalErrors) {
    add(1, "One");
    store->db().execute("DROP TABLE activity;");
    auto read = ask("resources/read", {{"uri", "tavro://capture/c0000001"}});
    EXPECT_EQ(read["error"]["code"], -32603);
    EXPECT_TRUE(read["error"]["message"].get<std::string>().starts_with(
        "Could not read tavro://capture/c0000001: "));
    store->db().execute("DROP TABLE captures;");
    auto list = ask("resources/list");
    EXPECT_EQ(list["error"]["code"], -32603);
    EXPECT_TRUE(
        list["error"]["message"].get<std::string>().starts_with("Could not list captures: "));
}

TEST_F(SessionMethodsTest, MethodsNeedNoHandshakeAndKeepNoState) {
    EXPECT_EQ(ask("tools/list")["result"]["tools"], ToolRegistry::definitions());
    EXPECT_EQ(ask("ping")["result"], JSON::object());
    EXPECT_EQ(ask("prompts/list")["result"], (JSON{{"prompts", JSON::array()}}));
    EXPECT_FALSE(server.reply(JSONRPC::Request{JSON(1), "notifications/initialized"}));
    EXPECT_FALSE(server.reply(JSONRPC::Request{std::nullopt, "resources/subscribe"}));
    EXPECT_EQ(ask("resources/subscribe")["error"],
              error(-32601, "Unsupported method: resources/subscribe"));
    EXPECT_EQ(ask("Ping")["error"], error(-32601, "Unsupported method: Ping"));
}
