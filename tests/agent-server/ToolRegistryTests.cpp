#include "AgentBoard.h"
#include "StandardErrorCapture.h"

using namespace tavro;
using namespace tavro::test;

namespace {

const std::string noMatch =
    "\u201D. It may have been deleted, or the prefix may match more than one capture \u2014 call "
    "list_captures to see current ids.";

struct ToolRegistryTest : AgentBoard {};

} // namespace

TEST_F(ToolRegistryTest, DefinitionsHaveTheirFixedOrderAndClosedSchemas) {
    const auto& definitions = ToolRegistry::definitions();
    std::vector<std::string> names;
    for (const auto& tool : definitions) {
        names.push_back(tool["name"]);
        EXPECT_EQ(tool["inputSchema"]["additionalProperties"], false);
        EXPECT_EQ(tool["inputSchema"]["type"], "object");
        for (const auto& [key, property] : tool["inputSchema"]["properties"].items())
            EXPECT_FALSE(property.contains("default")) << key;
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"list_captures", "get_capture", "claim_capture",
                                        "comment_on_capture", "resolve_capture", "reopen_capture",
                                        "update_capture", "list_groups", "capture_stats"}));
    for (auto index : {0, 1, 7, 8})
        EXPECT_FALSE(definitions[index]["inputSchema"].contains("required")) << index;
    EXPECT_EQ(definitions[7]["inputSchema"]["properties"], JSON::object());
    EXPECT_EQ(definitions[8]["inputSchema"]["properties"], JSON::object());
    EXPECT_EQ(definitions[3]["inputSchema"]["required"], (JSON{"id", "body"}));
}

TEST_F(ToolRegistryTest, UnknownToolsFailByName) {
    StandardErrorCapture errors;
    for (auto name : {"Claim_Capture", "", "list captures"}) {
        auto result = call(name, {{"id", "x"}});
        EXPECT_TRUE(result.isError);
        EXPECT_EQ(result.content,
                  std::vector<JSON>{ToolResult::textBlock("Unknown tool: " + std::string(name))});
    }
    EXPECT_EQ(errors.text(), "");
}

TEST_F(ToolRegistryTest, ResolvesTheIdArgument) {
    add(1, "Login button is cut off");
    add(2, "Second");
    store->insert(Capture{.id = "c0000001-ffff-4000-8000-00000000000f",
                          .createdAt = T,
                          .updatedAt = T,
                          .note = "Shares a prefix with c0000001"});
    auto deleted = add(3, "Deleted");
    store->db().execute("UPDATE captures SET deleted_at = ? WHERE id = ?;", {T, deleted.id});

    const auto claimed =
        "Claimed [c0000002] \u201CSecond\u201D as claude. Status is now IN-PROGRESS.";
    struct Case {
        JSON id;
        std::string reply;
        bool isError;
    };
    const Case cases[] = {
        {"  c0000002 \t", claimed, false},
        {"C0000002", claimed, false},
        {idOf(2), claimed, false},
        {"C0000002-0000-4000-8000-000000000002", claimed, false},
        {"c0000001", "No capture matches id \u201Cc0000001" + noMatch, true},
        {"c0000003", "No capture matches id \u201Cc0000003" + noMatch, true},
        {"c000000%", "No capture matches id \u201Cc000000%" + noMatch, true},
        {"c000000_", "No capture matches id \u201Cc000000_" + noMatch, true},
        {"%", "No capture matches id \u201C%" + noMatch, true},
        {"_0000002", "No capture matches id \u201C_0000002" + noMatch, true},
        {2, "Missing required parameter `id`.", true},
        {"   ", "Missing required parameter `id`.", true},
        {nullptr, "Missing required parameter `id`.", true},
    };
    for (const auto& c : cases) {
        auto result = call("claim_capture", {{"id", c.id}, {"unknown_key", 1}});
        EXPECT_EQ(result.isError, c.isError) << c.id;
        EXPECT_EQ(result.content.at(0)["text"], c.reply) << c.id;
    }
    EXPECT_EQ(text("claim_capture"), "Missing required parameter `id`.");
}

TEST_F(ToolRegistryTest, ActingAgentName) {
    auto capture = add(1, "Title");
    struct Case {
        JSON agent;
        std::string name;
    };
    const Case cases[] = {
        {"  cursor\t", "cursor"},
        {"", "claude"},
        {" \t ", "claude"},
        {true, "claude"},
        {nullptr, "claude"},
        {"claude\n", "claude"},
        {"claude\nREOPENED by the user", "claude REOPENED by the user"},
        {"\u2003copilot\u00A0", "copilot"},
    };
    for (const auto& c : cases) {
        auto reply =
            text("comment_on_capture", {{"id", capture.id}, {"body", "x"}, {"agent", c.agent}});
        EXPECT_EQ(reply, "Comment added to [c0000001] \u201CTitle\u201D as " + c.name + ".")
            << c.agent;
    }
}

TEST_F(ToolRegistryTest, AStoreFailureBecomesAFailureResultAndOneDiagnosticLine) {
    add(1, "Title");
    store->db().execute("DROP TABLE comments;");
    StandardErrorCapture errors;
    auto result = call("list_captures");
    EXPECT_TRUE(result.isError);
    auto reply = result.content.at(0)["text"].get<std::string>();
    EXPECT_TRUE(reply.starts_with("Tavro failed to run list_captures: ")) << reply;
    EXPECT_NE(reply.find("no such table: comments"), std::string::npos) << reply;
    auto log = errors.text();
    EXPECT_TRUE(log.starts_with("[tavro-mcp] tool list_captures failed: DatabaseError.")) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
}

// Another program keeps the library busy past the wait: a changing tool says so without a
// statement in sight, and stores nothing; reading the board goes on meanwhile.
TEST_F(ToolRegistryTest, ABusyLibraryIsSaidInPlainWords) {
    auto capture = add(1, "Title");
    store->db().setLockWait(std::chrono::milliseconds(100));
    CaptureStore other(library.database(), defaultStoreChangeNotifier());
    other.db().executeRaw("BEGIN IMMEDIATE TRANSACTION;");
    StandardErrorCapture errors;
    auto result = call("comment_on_capture", {{"id", capture.id}, {"body", "Looked"}});
    EXPECT_FALSE(call("list_captures").isError);
    other.db().executeRaw("ROLLBACK;");
    EXPECT_TRUE(result.isError);
    EXPECT_EQ(result.content.at(0)["text"],
              "Tavro failed to run comment_on_capture: The library is busy: another program is "
              "writing to it. Try again in a moment. Nothing was changed.");
    EXPECT_TRUE(store->comments(capture.id).empty());
    // The log keeps the statement for whoever reads it.
    EXPECT_NE(errors.text().find("BEGIN IMMEDIATE TRANSACTION;"), std::string::npos)
        << errors.text();
    EXPECT_FALSE(call("comment_on_capture", {{"id", capture.id}, {"body", "Looked"}}).isError);
}
