// The settings window's agent tab in the real program: connecting a client from the keyboard
// writes its configuration naming the agent server beside the program, and that server answers.
#include "DesktopSession.h"
#include "ProcessRunner.h"
#include "TempLibrary.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tavro::test::DesktopSession;

TEST(AgentTabTest, ConnectFromTheKeyboardWritesAnEntryWhoseServerAnswers) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    ASSERT_TRUE(session.openSettingsFromBoard());
    ASSERT_TRUE(session.clickControl("Tavro Settings", "page tab", "Agent"));
    session.screenshot("settings-agent");
    // Claude Code, never seen in this home, offers Connect.
    ASSERT_TRUE(session.focusControl("Tavro Settings", "push button", "Connect Claude Code"));
    session.key("space");

    const fs::path file = session.home() / ".claude.json";
    ASSERT_TRUE(DesktopSession::waitUntil([&] { return fs::exists(file); }, 5s));
    session.screenshot("settings-agent-connected");
    const auto entry = nlohmann::json::parse(tavro::test::readFile(file))["mcpServers"]["tavro"];
    const fs::path server = fs::path(TAVRO_APP).parent_path() / "tavro-mcp";
    EXPECT_EQ(entry["command"], server.string());
    EXPECT_EQ(entry["args"], nlohmann::json::array());
    // The app's library is not the default one: the entry names it, or the agent would open
    // another board.
    EXPECT_EQ(entry["env"], nlohmann::json({{"TAVRO_AGENT", "claude-code"},
                                            {"TAVRO_HOME", session.library().string()}}));
    EXPECT_EQ(entry["type"], "stdio");
    ASSERT_EQ(::access(server.c_str(), X_OK), 0);

    const auto reply = tavro::test::ProcessRunner::run(
        {"/usr/bin/env", "-i", "HOME=" + session.home().string(),
         "TAVRO_HOME=" + entry["env"]["TAVRO_HOME"].get<std::string>(),
         "TAVRO_AGENT=" + entry["env"]["TAVRO_AGENT"].get<std::string>(), server.string()},
        R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18","capabilities":{},"clientInfo":{"name":"e2e","version":"1"}}})"
        "\n");
    EXPECT_EQ(reply.exitCode, 0) << reply.err;
    const auto answer = nlohmann::json::parse(reply.out.substr(0, reply.out.find('\n')));
    EXPECT_EQ(answer["result"]["serverInfo"]["name"], "tavro") << reply.out;
}
