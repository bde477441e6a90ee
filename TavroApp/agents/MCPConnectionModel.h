#pragma once

#include "agents/MCPInstaller.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// What the agent connection list shows and does, apart from drawing it: the last read state of
// each client, the last failure, the order of the rows and the texts of each row.
class MCPConnectionModel {
public:
    enum class Tone { tertiary, connected, stale };
    enum class Action { connect, repair, disconnect };

    struct Row {
        MCPClient client;
        std::string name;
        bool notDetected = false;
        std::string statusLine;
        Tone tone = Tone::tertiary;
        Action action = Action::connect;

        bool operator==(const Row&) const = default;
    };

    explicit MCPConnectionModel(MCPInstaller installer);

    // Reads every client's file again.
    void refresh();
    // Each writes the client's file, keeps or clears the failure, then refreshes.
    void connect(MCPClient client);
    void disconnect(MCPClient client);
    // Connect, repair or disconnect, as the row's button says.
    void act(MCPClient client);

    MCPInstaller::Status status(MCPClient client) const;
    const std::optional<std::string>& error() const { return error_; }
    // Installed clients first, each group by name.
    std::vector<MCPClient> orderedClients() const;
    Row row(MCPClient client) const;

    bool serverMissing() const { return !installer_.serverIsExecutable(); }
    std::string manualCommand() const { return installer_.claudeCodeCommand(); }
    // For the client whose file could not be written last, so that a pasted entry has that
    // client's shape and agent name; the Claude desktop app's until then.
    std::string manualSnippet() const { return installer_.configSnippet(manualClient_); }

private:
    MCPInstaller installer_;
    std::map<MCPClient, MCPInstaller::Status> statuses_;
    std::optional<std::string> error_;
    MCPClient manualClient_ = MCPClient::claudeDesktop;
};

} // namespace tavro
