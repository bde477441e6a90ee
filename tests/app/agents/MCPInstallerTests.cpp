#include "agents/AgentConfigFile.h"
#include "agents/MCPInstaller.h"

#include "ProcessRunner.h"
#include "TempLibrary.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <optional>

using namespace tavro;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

// What each client expects, written out here rather than taken from the installer's table.
struct ClientCase {
    MCPClient client;
    const char* file; // relative to the temporary home
    const char* serversKey;
    const char* agentName;
    bool namesTransport; // "type": "stdio" in the entry, where the client documents it
};

const ClientCase clientCases[] = {
    {MCPClient::claudeCode, ".claude.json", "mcpServers", "claude-code", true},
    {MCPClient::claudeDesktop, ".config/Claude/claude_desktop_config.json", "mcpServers",
     "claude-desktop", false},
    {MCPClient::cursor, ".cursor/mcp.json", "mcpServers", "cursor", false},
    {MCPClient::vsCode, ".config/Code/User/mcp.json", "servers", "vscode", true},
};

const std::string serverPath = "/opt/tavro/bin/tavro-mcp";

class MCPInstallerTest : public ::testing::TestWithParam<ClientCase> {
protected:
    AgentHome where() const { return {folder_.path(), folder_.path() / ".config", serverPath, ""}; }
    fs::path file() const { return folder_.path() / GetParam().file; }
    fs::path backup() const { return AgentConfigFile::backupPath(file()); }
    void put(const std::string& text) const {
        fs::create_directories(file().parent_path());
        test::writeFile(file(), text);
    }
    json stored() const { return json::parse(test::readFile(file())); }
    json entry(const std::string& command) const {
        json entry = {{"command", command},
                      {"args", json::array()},
                      {"env", {{"TAVRO_AGENT", GetParam().agentName}}}};
        if (GetParam().namesTransport)
            entry["type"] = "stdio";
        return entry;
    }

    test::TempFolder folder_;
    MCPInstaller installer_{where()};
};

TEST_P(MCPInstallerTest, FreshInstallWritesOnlyTheEntry) {
    EXPECT_EQ(installer_.status(GetParam().client), MCPInstaller::Status::notConnected());
    EXPECT_EQ(installer_.install(GetParam().client), file());
    EXPECT_EQ(stored(), json({{GetParam().serversKey, {{"tavro", entry(serverPath)}}}}));
    EXPECT_FALSE(fs::exists(backup())) << "no file was there to back up";
    EXPECT_EQ(installer_.status(GetParam().client), MCPInstaller::Status::connected());
    const std::string text = test::readFile(file());
    EXPECT_NE(text.find("\"command\": \"/opt/tavro/bin/tavro-mcp\""), std::string::npos) << text;
}

TEST_P(MCPInstallerTest, InstallKeepsOtherServersAndMembersAndBacksUp) {
    const json before = {
        {"theme", "dark"},
        {"numbers", {1, 2.5, -3}},
        {"mcpServers", {{"other", {{"command", "/usr/bin/other"}, {"args", {"--x"}}}}}},
        {"servers", {{"mine", {{"type", "http"}, {"url", "http://localhost:1/"}}}}},
    };
    const std::string original = before.dump(4);
    put(original);
    installer_.install(GetParam().client);

    json expected = before;
    expected[GetParam().serversKey]["tavro"] = entry(serverPath);
    EXPECT_EQ(stored(), expected);
    EXPECT_EQ(test::readFile(backup()), original);
}

TEST_P(MCPInstallerTest, RepairReplacesAnEntryOfAnotherCopy) {
    json before = {{GetParam().serversKey,
                    {{"tavro", {{"command", "/old/place/tavro-mcp"}, {"extra", true}}},
                     {"kept", {{"command", "kept"}}}}}};
    put(before.dump());
    EXPECT_EQ(installer_.status(GetParam().client),
              MCPInstaller::Status::stale("/old/place/tavro-mcp"));
    installer_.install(GetParam().client);
    EXPECT_EQ(installer_.status(GetParam().client), MCPInstaller::Status::connected());
    EXPECT_EQ(stored()[GetParam().serversKey]["tavro"], entry(serverPath));
    EXPECT_EQ(stored()[GetParam().serversKey]["kept"], json({{"command", "kept"}}));
    EXPECT_EQ(json::parse(test::readFile(backup())), before);
}

TEST_P(MCPInstallerTest, DisconnectRemovesOnlyTheEntry) {
    put(json({{GetParam().serversKey, {{"other", {{"command", "x"}}}}}}).dump());
    installer_.install(GetParam().client);
    const std::string installed = test::readFile(file());
    installer_.remove(GetParam().client);
    EXPECT_EQ(stored(), json({{GetParam().serversKey, {{"other", {{"command", "x"}}}}}}));
    EXPECT_EQ(test::readFile(backup()), installed);
    EXPECT_EQ(installer_.status(GetParam().client), MCPInstaller::Status::notConnected());

    // Nothing left to remove: the file and its backup stay as they are.
    fs::remove(backup());
    const std::string after = test::readFile(file());
    installer_.remove(GetParam().client);
    EXPECT_EQ(test::readFile(file()), after);
    EXPECT_FALSE(fs::exists(backup()));
}

TEST_P(MCPInstallerTest, DisconnectOfTheOnlyServerLeavesAnEmptyServersMember) {
    installer_.install(GetParam().client);
    installer_.remove(GetParam().client);
    EXPECT_EQ(stored(), json({{GetParam().serversKey, json::object()}}));
}

TEST_P(MCPInstallerTest, BackupHoldsTheFileBeforeTheLastWrite) {
    installer_.install(GetParam().client);
    const std::string first = test::readFile(file());
    installer_.install(GetParam().client);
    EXPECT_EQ(test::readFile(file()), first) << "installing twice gives the same file";
    EXPECT_EQ(test::readFile(backup()), first);
}

TEST_P(MCPInstallerTest, FileThatIsNotAPlainObjectIsLeftByteForByte) {
    const std::string bad[] = {
        "{\n  // my servers\n  \"servers\": {\"mine\": {\"command\": \"x\"}}\n}\n",
        "{\"servers\": {\"mine\": {\"command\": \"x\"},},}",
        "[{\"servers\": {}}]",
        "\"just text\"",
        "{\"servers\": {\"mine\": \"\xff\xfe\"}}",
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        put(text);
        fs::remove(backup());
        try {
            installer_.install(GetParam().client);
            ADD_FAILURE() << "installed over a file it could not read";
        } catch (const MCPInstallError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(file().string()), std::string::npos) << message;
            EXPECT_NE(message.find("left as it is"), std::string::npos) << message;
        }
        EXPECT_EQ(test::readFile(file()), text);
        EXPECT_FALSE(fs::exists(backup()));
        EXPECT_EQ(installer_.status(GetParam().client), MCPInstaller::Status::notConnected());
        EXPECT_NO_THROW(installer_.remove(GetParam().client));
        EXPECT_EQ(test::readFile(file()), text);
    }
}

TEST_P(MCPInstallerTest, BlankFileIsTakenAsEmpty) {
    put(" \n");
    installer_.install(GetParam().client);
    EXPECT_EQ(stored(), json({{GetParam().serversKey, {{"tavro", entry(serverPath)}}}}));
}

TEST_P(MCPInstallerTest, ServersMemberOfAnotherTypeIsReplaced) {
    for (const json& servers : {json::array({1}), json("text"), json(nullptr)}) {
        put(json({{GetParam().serversKey, servers}, {"keep", 1}}).dump());
        installer_.install(GetParam().client);
        EXPECT_EQ(stored(),
                  json({{GetParam().serversKey, {{"tavro", entry(serverPath)}}}, {"keep", 1}}));
    }
}

TEST_P(MCPInstallerTest, LinkedFileIsWrittenThroughToItsTargetKeepingItsMode) {
    const fs::path dotfiles = folder_.path() / "dotfiles";
    fs::create_directories(dotfiles);
    const fs::path target = dotfiles / "agent.json";
    test::writeFile(target, R"({"keep": true})");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    fs::create_directories(file().parent_path());
    // A relative link, as dotfile managers make them.
    fs::create_symlink(fs::relative(target, file().parent_path()), file());

    installer_.install(GetParam().client);
    ASSERT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(fs::read_symlink(file()), fs::relative(target, file().parent_path()));
    EXPECT_EQ(json::parse(test::readFile(target)),
              json({{"keep", true}, {GetParam().serversKey, {{"tavro", entry(serverPath)}}}}));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask, fs::perms(0640));
    EXPECT_EQ(test::readFile(backup()), R"({"keep": true})");

    installer_.remove(GetParam().client);
    ASSERT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(json::parse(test::readFile(target)),
              json({{"keep", true}, {GetParam().serversKey, json::object()}}));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask, fs::perms(0640));
}

// A link whose target does not exist yet (a fresh dotfiles checkout) stays a link, and the
// entry lands in the file it names.
TEST_P(MCPInstallerTest, DanglingLinkIsWrittenThroughToTheFileItNames) {
    const fs::path target = folder_.path() / "dotfiles/not-yet/agent.json";
    fs::create_directories(file().parent_path());
    fs::create_symlink(target, file());

    installer_.install(GetParam().client);
    ASSERT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(fs::read_symlink(file()), target);
    ASSERT_TRUE(fs::exists(target));
    EXPECT_EQ(json::parse(test::readFile(target)),
              json({{GetParam().serversKey, {{"tavro", entry(serverPath)}}}}));
}

TEST_P(MCPInstallerTest, ReplacedFileKeepsItsMode) {
    put("{}");
    ASSERT_EQ(::chmod(file().c_str(), 0600), 0);
    installer_.install(GetParam().client);
    EXPECT_EQ(fs::status(file()).permissions() & fs::perms::mask, fs::perms(0600));
    // The backup may hold the client's secrets too: no wider than the file.
    EXPECT_EQ(fs::status(backup()).permissions() & fs::perms::mask, fs::perms(0600));
    installer_.remove(GetParam().client);
    EXPECT_EQ(fs::status(file()).permissions() & fs::perms::mask, fs::perms(0600));
}

TEST_P(MCPInstallerTest, FolderThatCannotBeMadeIsReported) {
    // A plain file where the home and the configuration folder would have to be made.
    const fs::path blocker = folder_.path() / "blocker";
    test::writeFile(blocker, "not a folder");
    MCPInstaller installer({blocker / "home", blocker / "config", serverPath, ""});
    try {
        installer.install(GetParam().client);
        ADD_FAILURE() << "wrote below a plain file";
    } catch (const MCPInstallError& error) {
        EXPECT_NE(std::string(error.what()).find("can't be created"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(test::readFile(blocker), "not a folder");
}

TEST_P(MCPInstallerTest, ReadOnlyFileIsRefusedAndLeftAlone) {
    put(json({{GetParam().serversKey, {{"tavro", {{"command", "/old/tavro-mcp"}}}}}}).dump());
    const std::string before = test::readFile(file());
    ASSERT_EQ(::chmod(file().c_str(), 0444), 0);
    for (const auto& change :
         {std::function<void()>([&] { installer_.install(GetParam().client); }),
          std::function<void()>([&] { installer_.remove(GetParam().client); })}) {
        try {
            change();
            ADD_FAILURE() << "wrote a read-only file";
        } catch (const MCPInstallError& error) {
            EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos)
                << error.what();
        }
        EXPECT_EQ(test::readFile(file()), before);
        EXPECT_EQ(fs::status(file()).permissions() & fs::perms::mask, fs::perms(0444));
        EXPECT_FALSE(fs::exists(backup()));
    }
}

TEST_P(MCPInstallerTest, AnotherLibraryIsNamedInTheEntryAndChecked) {
    AgentHome elsewhere = where();
    elsewhere.library = folder_.path() / "other library";
    const MCPInstaller installer(elsewhere);
    installer_.install(GetParam().client);
    EXPECT_EQ(installer.status(GetParam().client), MCPInstaller::Status::stale(serverPath))
        << "an entry without the library sends the agent to the default one";

    installer.install(GetParam().client);
    json expected = entry(serverPath);
    expected["env"]["TAVRO_HOME"] = elsewhere.library->string();
    EXPECT_EQ(stored()[GetParam().serversKey]["tavro"], expected);
    EXPECT_EQ(installer.status(GetParam().client), MCPInstaller::Status::connected());
    EXPECT_EQ(installer_.status(GetParam().client), MCPInstaller::Status::stale(serverPath));
}

INSTANTIATE_TEST_SUITE_P(EachClient, MCPInstallerTest, ::testing::ValuesIn(clientCases),
                         [](const auto& info) {
                             return std::string(mcpClientInfo(info.param.client).id);
                         });

TEST(MCPInstaller, ConfigurationFolderFollowsXdgConfigHome) {
    test::TempFolder folder;
    MCPInstaller installer({folder.path() / "home", folder.path() / "xdg", serverPath, ""});
    EXPECT_EQ(installer.configPath(MCPClient::vsCode), folder.path() / "xdg/Code/User/mcp.json");
    EXPECT_EQ(installer.configPath(MCPClient::claudeDesktop),
              folder.path() / "xdg/Claude/claude_desktop_config.json");
    EXPECT_EQ(installer.configPath(MCPClient::cursor), folder.path() / "home/.cursor/mcp.json");
    EXPECT_EQ(installer.configPath(MCPClient::claudeCode), folder.path() / "home/.claude.json");

    test::ScopedEnv config("XDG_CONFIG_HOME", (folder.path() / "xdg").string());
    test::ScopedEnv home("HOME", (folder.path() / "home").string());
    EXPECT_EQ(AgentHome::current().configHome, folder.path() / "xdg");
    EXPECT_EQ(AgentHome::current().home, folder.path() / "home");
    test::ScopedEnv relative("XDG_CONFIG_HOME", std::string("relative/config"));
    EXPECT_EQ(AgentHome::current().configHome, folder.path() / "home/.config");
}

TEST(MCPInstaller, ServerLiesBesideTheProgramItsLinkNames) {
    test::TempFolder folder;
    fs::create_directories(folder.path() / "opt/tavro");
    test::writeFile(folder.path() / "opt/tavro/tavro", "");
    fs::create_directories(folder.path() / "bin");
    fs::create_symlink(folder.path() / "opt/tavro/tavro", folder.path() / "bin/tavro");
    const fs::path real = fs::canonical(folder.path()) / "opt/tavro/tavro-mcp";
    EXPECT_EQ(AgentHome::serverBeside(folder.path() / "bin/tavro"), real);
    EXPECT_TRUE(AgentHome::current().server.is_absolute());
    EXPECT_EQ(AgentHome::current().server.filename(), "tavro-mcp");
}

TEST(MCPInstaller, LibraryIsNamedOnlyWhenTheServerWouldNotFindIt) {
    test::TempFolder folder;
    const fs::path home = folder.path() / "home";
    test::ScopedEnv homeVariable("HOME", home.string());
    struct Case {
        const char* what;
        std::optional<std::string> tavroHome;
        std::optional<std::string> dataHome;
        std::optional<fs::path> named;
    };
    const Case cases[] = {
        {"the default", std::nullopt, std::nullopt, std::nullopt},
        {"the default named by XDG_DATA_HOME", std::nullopt, (home / ".local/share").string(),
         std::nullopt},
        {"another XDG_DATA_HOME", std::nullopt, (folder.path() / "data").string(),
         folder.path() / "data/Tavro"},
        {"TAVRO_HOME", (folder.path() / "lib").string(), std::nullopt, folder.path() / "lib"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const test::ScopedEnv tavroHome("TAVRO_HOME", c.tavroHome);
        const test::ScopedEnv dataHome("XDG_DATA_HOME", c.dataHome);
        EXPECT_EQ(AgentHome::current().library, c.named);
        const std::string command = MCPInstaller(AgentHome::current()).claudeCodeCommand();
        EXPECT_EQ(command.find("TAVRO_HOME=") != std::string::npos, c.named.has_value()) << command;
    }
}

TEST(MCPInstaller, ServerIsExecutableOnlyWhenAnExecutableFileIsThere) {
    test::TempFolder folder;
    const fs::path server = folder.path() / "tavro-mcp";
    MCPInstaller installer({folder.path(), folder.path() / ".config", server, ""});
    EXPECT_FALSE(installer.serverIsExecutable());
    test::writeFile(server, "#!/bin/sh\n");
    EXPECT_FALSE(installer.serverIsExecutable());
    fs::permissions(server, fs::perms::owner_exec, fs::perm_options::add);
    EXPECT_TRUE(installer.serverIsExecutable());
    fs::remove(server);
    fs::create_directory(server);
    EXPECT_FALSE(installer.serverIsExecutable()) << "a folder is not a program";
}

TEST(MCPInstaller, LikelyInstalledFromProgramsFilesAndFolders) {
    struct Case {
        const char* what;
        const char* folder;  // made in the home, or empty
        const char* program; // put on PATH, or empty
        std::vector<MCPClient> installed;
    };
    const Case cases[] = {
        {"nothing", "", "", {}},
        {"a .claude folder", ".claude", "", {MCPClient::claudeCode}},
        {"a .claude.json file", ".claude.json", "", {MCPClient::claudeCode}},
        {"Cursor's folder", ".cursor", "", {MCPClient::cursor}},
        {"cursor on PATH", "", "cursor", {MCPClient::cursor}},
        {"code on PATH", "", "code", {MCPClient::vsCode}},
        {"VS Code's user folder", ".config/Code/User", "", {MCPClient::vsCode}},
        {"VS Code's folder without User", ".config/Code", "", {}},
        {"the Claude desktop folder", ".config/Claude", "", {MCPClient::claudeDesktop}},
        {"claude-desktop on PATH", "", "claude-desktop", {MCPClient::claudeDesktop}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder folder;
        const fs::path bin = folder.path() / "bin";
        fs::create_directories(bin);
        if (*c.folder)
            fs::create_directories(folder.path() / c.folder);
        if (*c.program) {
            test::writeFile(bin / c.program, "");
            fs::permissions(bin / c.program, fs::perms::owner_all);
        }
        MCPInstaller installer({folder.path(), folder.path() / ".config", serverPath,
                                "/nonexistent::" + bin.string()});
        std::vector<MCPClient> found;
        for (const MCPClientInfo& info : mcpClients())
            if (installer.isLikelyInstalled(info.client))
                found.push_back(info.client);
        EXPECT_EQ(found, c.installed);
    }
}

TEST(MCPInstaller, SnippetIsTheServersMemberWithTheEntry) {
    MCPInstaller installer({"/home/u", "/home/u/.config", serverPath, ""});
    EXPECT_EQ(installer.configSnippet(MCPClient::claudeDesktop),
              "{\n"
              "  \"mcpServers\": {\n"
              "    \"tavro\": {\n"
              "      \"args\": [],\n"
              "      \"command\": \"/opt/tavro/bin/tavro-mcp\",\n"
              "      \"env\": {\n"
              "        \"TAVRO_AGENT\": \"claude-desktop\"\n"
              "      }\n"
              "    }\n"
              "  }\n"
              "}");
    EXPECT_EQ(json::parse(installer.configSnippet(MCPClient::vsCode)),
              json({{"servers",
                     {{"tavro",
                       {{"type", "stdio"},
                        {"command", serverPath},
                        {"args", json::array()},
                        {"env", {{"TAVRO_AGENT", "vscode"}}}}}}}}));
    MCPInstaller notText({"/home/u", "/home/u/.config", "/opt/\xff/tavro-mcp", ""});
    EXPECT_EQ(notText.configSnippet(MCPClient::vsCode), "");
}

TEST(MCPInstaller, ClaudeCodeCommandQuotesThePathForAPosixShell) {
    const std::string paths[] = {
        "/opt/tavro/bin/tavro-mcp", "/home/me/My Apps/tavro-mcp", "/tmp/a\"b/tavro-mcp",
        "/tmp/$HOME/tavro-mcp",     "/tmp/`id`/tavro-mcp",        "/tmp/back\\slash/tavro-mcp",
        "/tmp/it's/tavro-mcp",      "/tmp/bang!x/tavro-mcp",      "/tmp/$(id)'\"`\\n\n/tavro-mcp",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        MCPInstaller installer({"/home/u", "/home/u/.config", path, ""});
        const std::string command = installer.claudeCodeCommand();
        const std::string prefix =
            "claude mcp add --scope user tavro --env TAVRO_AGENT=claude-code -- ";
        ASSERT_EQ(command.substr(0, prefix.size()), prefix);
        // The shell, given the command with "printf %s" in place of the client, prints the
        // path back unchanged.
        const std::string word = command.substr(prefix.size());
        const auto result = test::ProcessRunner::run({"/bin/sh", "-c", "printf %s " + word});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, path);
    }
    MCPInstaller plain({"/home/u", "/home/u/.config", serverPath, ""});
    EXPECT_EQ(plain.claudeCodeCommand(),
              "claude mcp add --scope user tavro --env TAVRO_AGENT=claude-code -- "
              "\"/opt/tavro/bin/tavro-mcp\"");
}

} // namespace
