#include "agents/CodeBlock.h"
#include "agents/MCPClientRow.h"
#include "agents/MCPConnectionList.h"
#include "settings/AgentSettings.h"
#include "ui/Buttons.h"
#include "ui/DisclosureButton.h"

#include "TempLibrary.h"
#include "ViewPicture.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
namespace fs = std::filesystem;

namespace {

// A home where Claude Code is connected, Cursor names another copy and the two others were
// never seen; with `brokenVsCode` VS Code's file holds comments.
struct PictureHome {
    explicit PictureHome(bool withServer) {
        fs::create_directories(folder.path() / "opt/tavro/bin");
        if (withServer) {
            test::writeFile(server, "#!/bin/sh\n");
            fs::permissions(server, fs::perms::owner_all);
        }
        fs::create_directories(home() / ".claude");
        fs::create_directories(home() / ".cursor");
        test::writeFile(home() / ".cursor/mcp.json",
                        R"({"mcpServers": {"tavro": {"command": "/old/tavro-mcp"}}})");
        installer().install(MCPClient::claudeCode);
    }
    fs::path home() const { return folder.path() / "home"; }
    MCPInstaller installer() const {
        return MCPInstaller({home(), home() / ".config", server, ""});
    }

    test::TempFolder folder;
    fs::path server = folder.path() / "opt/tavro/bin/tavro-mcp";
};

TEST(AgentSettingsPicture, TabAsTheSettingsWindowShowsIt) {
    PictureHome where(true);
    AgentSettings tab(where.installer());
    tab.resize(560, 480);
    tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tab.connectionList()->busy(); }, 5000));
    test::savePicture(tab, QStringLiteral("agent-settings"));

    // All of it at once, with the manual set-up open.
    tab.resize(560, 1000);
    QTest::mouseClick(tab.connectionList()->manualToggle(), Qt::LeftButton);
    test::savePicture(tab, QStringLiteral("agent-settings-all"));
}

TEST(AgentSettingsPicture, WarningsAndTheCopiedMark) {
    PictureHome where(false);
    fs::create_directories(where.home() / ".config/Code/User");
    test::writeFile(where.home() / ".config/Code/User/mcp.json", "{\n  // mine\n}\n");
    MCPConnectionList list(where.installer());
    list.resize(512, 700);
    list.setAutoFillBackground(true);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.busy(); }, 5000));
    for (MCPClientRow* row : list.rows())
        if (row->client() == MCPClient::vsCode)
            QTest::mouseClick(row->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.busy(); }, 5000));
    QTest::mouseClick(list.manualToggle(), Qt::LeftButton);
    QTest::mouseClick(list.commandBlock()->copyButton(), Qt::LeftButton);
    test::savePicture(list, QStringLiteral("agent-connection-warnings"));
}

} // namespace
