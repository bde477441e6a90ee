#include "agents/AgentWarning.h"
#include "agents/CodeBlock.h"
#include "agents/MCPClientRow.h"
#include "agents/MCPConnectionList.h"
#include "settings/AgentSettings.h"
#include "ui/Buttons.h"
#include "ui/DisclosureButton.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace tavro;
namespace fs = std::filesystem;
using Model = MCPConnectionModel;

namespace {

// Once the list's reads and writes, which run off the GUI thread, have come back.
bool settled(const MCPConnectionList& list) {
    return QTest::qWaitFor([&] { return !list.busy(); }, 5000);
}

MCPClientRow* rowFor(const MCPConnectionList& list, MCPClient client) {
    for (MCPClientRow* row : list.rows())
        if (row->client() == client)
            return row;
    ADD_FAILURE() << "no row";
    return list.rows().front();
}

class AgentHomeFixture : public ::testing::Test {
protected:
    AgentHomeFixture() {
        fs::create_directories(folder_.path() / "opt");
        test::writeFile(server_, "#!/bin/sh\n");
        fs::permissions(server_, fs::perms::owner_all);
    }
    MCPInstaller installer() const {
        return MCPInstaller({home(), home() / ".config", server_, ""});
    }
    fs::path home() const { return folder_.path() / "home"; }
    void put(const fs::path& relative, const std::string& text) const {
        fs::create_directories((home() / relative).parent_path());
        test::writeFile(home() / relative, text);
    }
    std::vector<MCPClient> order(const Model& model) const { return model.orderedClients(); }

    test::TempFolder folder_;
    fs::path server_ = folder_.path() / "opt/tavro-mcp";
};

TEST_F(AgentHomeFixture, InstalledClientsComeFirstThenByName) {
    using C = MCPClient;
    Model none(installer());
    EXPECT_EQ(order(none), (std::vector{C::claudeCode, C::claudeDesktop, C::cursor, C::vsCode}));
    for (C client : order(none))
        EXPECT_TRUE(none.row(client).notDetected);

    fs::create_directories(home() / ".cursor");
    Model cursor(installer());
    EXPECT_EQ(order(cursor), (std::vector{C::cursor, C::claudeCode, C::claudeDesktop, C::vsCode}));
    EXPECT_FALSE(cursor.row(C::cursor).notDetected);
    EXPECT_TRUE(cursor.row(C::vsCode).notDetected);

    fs::create_directories(home() / ".config/Code/User");
    fs::create_directories(home() / ".claude");
    Model two(installer());
    EXPECT_EQ(order(two), (std::vector{C::claudeCode, C::cursor, C::vsCode, C::claudeDesktop}));
}

TEST_F(AgentHomeFixture, RowsFollowTheStateOfEachFile) {
    struct Step {
        const char* what;
        std::function<void(Model&)> act;
        MCPClient client;
        Model::Row row;
    };
    using C = MCPClient;
    using T = Model::Tone;
    using A = Model::Action;
    put(".cursor/mcp.json", R"({"mcpServers": {"tavro": {"command": "/old/tavro-mcp"}}})");
    Model model(installer());
    const Step steps[] = {
        {"before the first read every row offers Connect",
         [](Model&) {},
         C::cursor,
         {C::cursor, "Cursor", false, "Cursor's agent", T::tertiary, A::connect}},
        {"another copy's entry asks for repair",
         [](Model& m) { m.refresh(); },
         C::cursor,
         {C::cursor, "Cursor", false, "Points at an older copy of Tavro", T::stale, A::repair}},
        {"repair connects",
         [](Model& m) { m.act(C::cursor); },
         C::cursor,
         {C::cursor, "Cursor", false, "Connected", T::connected, A::disconnect}},
        {"disconnect goes back to the description",
         [](Model& m) { m.act(C::cursor); },
         C::cursor,
         {C::cursor, "Cursor", false, "Cursor's agent", T::tertiary, A::connect}},
        {"connect of a client never seen",
         [](Model& m) { m.act(C::vsCode); },
         C::vsCode,
         {C::vsCode, "VS Code", false, "Connected", T::connected, A::disconnect}},
        {"disconnecting with no entry is silent",
         [](Model& m) { m.disconnect(C::claudeDesktop); },
         C::claudeDesktop,
         {C::claudeDesktop, "Claude Desktop", true, "The Claude desktop app", T::tertiary,
          A::connect}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act(model);
        EXPECT_EQ(model.row(step.client), step.row);
        EXPECT_EQ(model.error(), std::nullopt);
    }
}

TEST_F(AgentHomeFixture, FailedWritesAreShownUntilTheNextSuccess) {
    Model model(installer());
    // A plain file where Cursor's folder belongs.
    put(".cursor", "blocking");
    model.connect(MCPClient::cursor);
    ASSERT_TRUE(model.error());
    EXPECT_EQ(model.error()->rfind("Couldn't write Cursor's config: The folder ", 0), 0)
        << *model.error();
    EXPECT_EQ(model.row(MCPClient::cursor).action, Model::Action::connect);

    const std::string commented = "{\n  // mine\n  \"servers\": {}\n}\n";
    put(".config/Code/User/mcp.json", commented);
    model.connect(MCPClient::vsCode);
    ASSERT_TRUE(model.error());
    EXPECT_EQ(model.error()->rfind("Couldn't write VS Code's config: ", 0), 0) << *model.error();
    EXPECT_NE(model.error()->find("left as it is"), std::string::npos) << *model.error();
    EXPECT_EQ(test::readFile(home() / ".config/Code/User/mcp.json"), commented);

    model.connect(MCPClient::claudeCode);
    EXPECT_EQ(model.error(), std::nullopt);
}

TEST_F(AgentHomeFixture, ManualSetUpNamesTheServer) {
    Model model(installer());
    EXPECT_EQ(model.manualCommand(),
              "claude mcp add --scope user tavro --env TAVRO_AGENT=claude-code -- \"" +
                  server_.string() + "\"");
    EXPECT_NE(model.manualSnippet().find("\"TAVRO_AGENT\": \"claude-desktop\""), std::string::npos);
    EXPECT_FALSE(model.serverMissing());
    fs::remove(server_);
    EXPECT_TRUE(model.serverMissing());
}

TEST_F(AgentHomeFixture, ARowIsConnectedOnlyWhileItsServerCanStart) {
    Model model(installer());
    model.connect(MCPClient::cursor);
    model.connect(MCPClient::claudeCode);
    ASSERT_EQ(model.row(MCPClient::cursor).statusLine, "Connected");
    fs::remove(server_);
    model.refresh();
    for (MCPClient client : {MCPClient::cursor, MCPClient::claudeCode}) {
        EXPECT_EQ(model.row(client).statusLine, "The Tavro server it names is missing");
        EXPECT_EQ(model.row(client).action, Model::Action::repair);
    }
    // Repairing writes nothing while there is nothing to start.
    const std::string before = test::readFile(home() / ".cursor/mcp.json");
    model.act(MCPClient::cursor);
    ASSERT_TRUE(model.error());
    EXPECT_NE(model.error()->find(server_.string()), std::string::npos) << *model.error();
    EXPECT_EQ(test::readFile(home() / ".cursor/mcp.json"), before);
    model.connect(MCPClient::vsCode);
    EXPECT_FALSE(fs::exists(home() / ".config/Code/User/mcp.json"));
}

TEST_F(AgentHomeFixture, ManualSnippetHasTheShapeOfTheClientThatFailed) {
    Model model(installer());
    put(".config/Code/User/mcp.json", "{\n  // mine\n}\n");
    model.connect(MCPClient::vsCode);
    ASSERT_TRUE(model.error());
    const std::string snippet = model.manualSnippet();
    EXPECT_EQ(snippet.rfind("{\n  \"servers\": {", 0), 0) << snippet;
    EXPECT_NE(snippet.find("\"type\": \"stdio\""), std::string::npos) << snippet;
    EXPECT_NE(snippet.find("\"TAVRO_AGENT\": \"vscode\""), std::string::npos) << snippet;

    MCPConnectionList list(installer());
    ASSERT_TRUE(settled(list));
    QTest::mouseClick(rowFor(list, MCPClient::vsCode)->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(settled(list));
    EXPECT_EQ(list.snippetBlock()->text().toStdString(), snippet);
}

TEST_F(AgentHomeFixture, ListReadsTheFilesWhenShownAndAfterEachButton) {
    MCPConnectionList list(installer());
    ASSERT_TRUE(settled(list));
    list.resize(520, 600);
    EXPECT_FALSE(list.serverWarning()->isVisibleTo(&list));
    EXPECT_FALSE(list.errorWarning()->isVisibleTo(&list));
    put(".claude.json", R"({"mcpServers": {"tavro": {"command": "/elsewhere"}}})");
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    ASSERT_TRUE(settled(list));
    MCPClientRow* claude = list.rows().front();
    ASSERT_EQ(claude->client(), MCPClient::claudeCode) << "installed, so first";
    EXPECT_EQ(claude->statusText(), QStringLiteral("Points at an older copy of Tavro"));
    EXPECT_EQ(claude->actionButton()->text(), QStringLiteral("Repair"));

    QTest::mouseClick(claude->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(settled(list));
    EXPECT_EQ(claude->statusText(), QStringLiteral("Connected"));
    EXPECT_EQ(claude->actionButton()->text(), QStringLiteral("Disconnect"));
    EXPECT_EQ(claude->actionButton()->accessibleName(), QStringLiteral("Disconnect Claude Code"));

    put(".cursor", "blocking");
    MCPClientRow* cursor = rowFor(list, MCPClient::cursor);
    QTest::mouseClick(cursor->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(settled(list));
    EXPECT_TRUE(list.errorWarning()->isVisibleTo(&list));
    EXPECT_TRUE(list.errorWarning()->message().startsWith(
        QStringLiteral("Couldn't write Cursor's config: ")));
    QTest::mouseClick(claude->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(settled(list));
    EXPECT_FALSE(list.errorWarning()->isVisibleTo(&list));
    EXPECT_EQ(claude->statusText(), QStringLiteral("Terminal and IDE agent"));
}

// Connect and Disconnect by keyboard: the focus stays on the client acted on, on the button that
// replaced the one pressed, so a second Space acts on the same client.
TEST_F(AgentHomeFixture, TheFocusStaysOnTheClientWhoseButtonWasPressed) {
    MCPConnectionList list(installer());
    list.resize(520, 600);
    list.show();
    QApplication::setActiveWindow(&list);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    ASSERT_TRUE(settled(list));
    MCPClientRow* cursor = rowFor(list, MCPClient::cursor);
    const std::pair<const char*, const char*> presses[] = {{"Connect", "Disconnect"},
                                                           {"Disconnect", "Connect"}};
    cursor->actionButton()->setFocus(Qt::TabFocusReason);
    for (const auto& [pressed, replacement] : presses) {
        SCOPED_TRACE(pressed);
        QAbstractButton* button = cursor->actionButton();
        ASSERT_EQ(button->text(), QString::fromUtf8(pressed));
        ASSERT_TRUE(button->hasFocus());
        QTest::keyClick(button, Qt::Key_Space);
        ASSERT_TRUE(settled(list));
        EXPECT_EQ(cursor->actionButton()->text(), QString::fromUtf8(replacement));
        EXPECT_EQ(QApplication::focusWidget(), cursor->actionButton());
    }
}

TEST_F(AgentHomeFixture, ListWarnsWhenTheServerIsMissing) {
    fs::remove(server_);
    MCPConnectionList list(installer());
    ASSERT_TRUE(settled(list));
    EXPECT_TRUE(list.serverWarning()->isVisibleTo(&list));
    EXPECT_TRUE(list.serverWarning()->message().contains(QStringLiteral("Reinstall the app")));
    EXPECT_TRUE(list.commandBlock()->text().contains(toQString(server_.string())));
}

TEST_F(AgentHomeFixture, CopyPutsTheExactTextOnTheClipboardAndMarksBothButtons) {
    MCPConnectionList list(installer());
    ASSERT_TRUE(settled(list));
    list.show();
    EXPECT_FALSE(list.commandBlock()->isVisibleTo(&list)) << "the manual set-up starts closed";
    QTest::mouseClick(list.manualToggle(), Qt::LeftButton);
    EXPECT_TRUE(list.commandBlock()->isVisibleTo(&list));

    QTest::mouseClick(list.commandBlock()->copyButton(), Qt::LeftButton);
    EXPECT_EQ(
        QGuiApplication::clipboard()->text(),
        QStringLiteral("claude mcp add --scope user tavro --env TAVRO_AGENT=claude-code -- \"") +
            toQString(server_.string()) + u'"');
    EXPECT_TRUE(list.commandBlock()->showsCopied());
    EXPECT_TRUE(list.snippetBlock()->showsCopied());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !list.commandBlock()->showsCopied(); }, 5000));
    EXPECT_FALSE(list.snippetBlock()->showsCopied());

    QTest::mouseClick(list.snippetBlock()->copyButton(), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), toQString(list.model().manualSnippet()));
}

TEST_F(AgentHomeFixture, ErrorTextIsShownAsPlainText) {
    const fs::path odd = folder_.path() / "<b>home</b>";
    fs::create_directories(odd);
    test::writeFile(odd / ".cursor", "blocking");
    MCPConnectionList list(MCPInstaller({odd, odd / ".config", server_, ""}));
    ASSERT_TRUE(settled(list));
    list.show();
    QTest::mouseClick(rowFor(list, MCPClient::cursor)->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(settled(list));
    ASSERT_TRUE(list.errorWarning()->message().contains(QStringLiteral("<b>home</b>")));
    const auto labels = list.errorWarning()->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front()->textFormat(), Qt::PlainText);
}

TEST_F(AgentHomeFixture, ToolDetailsLineUpAndTextsWrapInANarrowTab) {
    AgentSettings settings(installer());
    settings.resize(400, 900);
    settings.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
    const auto names = settings.findChildren<QLabel*>(QStringLiteral("toolName"));
    const auto details = settings.findChildren<QLabel*>(QStringLiteral("toolDetail"));
    ASSERT_EQ(names.size(), 9);
    ASSERT_EQ(details.size(), 9);
    for (qsizetype i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]->text().toStdString());
        const QPoint name = names[i]->mapTo(&settings, QPoint(0, 0));
        const QPoint detail = details[i]->mapTo(&settings, QPoint(0, 0));
        EXPECT_EQ(detail.x() - name.x(), 158);
        EXPECT_LE(details[i]->mapTo(&settings, details[i]->rect().bottomRight()).x(),
                  settings.width());
    }
    QLabel* intro = nullptr;
    for (QLabel* label : settings.findChildren<QLabel*>())
        if (label->text().startsWith(QStringLiteral("Tavro ships an MCP server")))
            intro = label;
    ASSERT_NE(intro, nullptr);
    EXPECT_GT(intro->height(), 3 * intro->fontMetrics().height()) << "wraps over lines";
    EXPECT_LE(intro->mapTo(&settings, intro->rect().bottomRight()).x(), settings.width());
}

} // namespace

TEST_F(AgentHomeFixture, ConnectWritesABigClientFileOffTheGUIThreadAndKeepsItsOtherEntries) {
    // An agent client keeps its whole history beside its server entries.
    std::string history = R"({"projects": {)";
    for (int i = 0; i < 20000; ++i)
        history += (i ? ",\"" : "\"") + std::string("/work/project-") + std::to_string(i) +
                   R"(": {"history": ["a long line typed into the agent once upon a time"]})";
    history += "}}";
    put(".claude.json", history);
    MCPConnectionList list(installer());
    ASSERT_TRUE(settled(list));
    list.show();
    ASSERT_TRUE(settled(list));
    QTest::mouseClick(rowFor(list, MCPClient::claudeCode)->actionButton(), Qt::LeftButton);
    EXPECT_TRUE(list.busy()) << "the click returns before the file is written";
    QTest::mouseClick(rowFor(list, MCPClient::claudeCode)->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(settled(list));
    EXPECT_EQ(rowFor(list, MCPClient::claudeCode)->statusText(), QStringLiteral("Connected"))
        << "a second press while the first runs is not a Disconnect";
    const auto written = nlohmann::json::parse(test::readFile(home() / ".claude.json"));
    EXPECT_TRUE(written["mcpServers"].contains("tavro"));
    EXPECT_EQ(written["projects"].size(), 20000u);
}
