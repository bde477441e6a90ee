#include "agents/MCPConnectionModel.h"

#include "agents/AgentTexts.h"

#include <algorithm>

namespace tavro {

namespace {

std::string failure(std::string_view lead, MCPClient client, std::string_view why) {
    return std::string(lead) + std::string(mcpClientInfo(client).displayName) +
           std::string(AgentTexts::configFailedTail) + std::string(why);
}

} // namespace

MCPConnectionModel::MCPConnectionModel(MCPInstaller installer)
    : installer_(std::move(installer)) {}

void MCPConnectionModel::refresh() {
    std::map<MCPClient, MCPInstaller::Status> statuses;
    for (const MCPClientInfo& info : mcpClients())
        statuses[info.client] = installer_.status(info.client);
    statuses_ = std::move(statuses);
}

void MCPConnectionModel::connect(MCPClient client) {
    try {
        // An entry naming a program that is not there would read "Connected" and start nothing.
        if (!installer_.serverIsExecutable())
            throw MCPInstallError(std::string(AgentTexts::serverNotThere) +
                                  installer_.serverExecutable().string());
        installer_.install(client);
        error_.reset();
    } catch (const std::exception& error) {
        // The Agent tab shows the failure beside the client.
        error_ = failure(AgentTexts::writeFailed, client, error.what());
        manualClient_ = client;
    }
    refresh();
}

void MCPConnectionModel::disconnect(MCPClient client) {
    try {
        installer_.remove(client);
        error_.reset();
    } catch (const std::exception& error) {
        // The Agent tab shows the failure beside the client.
        error_ = failure(AgentTexts::updateFailed, client, error.what());
    }
    refresh();
}

void MCPConnectionModel::act(MCPClient client) {
    if (row(client).action == Action::disconnect)
        disconnect(client);
    else
        connect(client);
}

MCPInstaller::Status MCPConnectionModel::status(MCPClient client) const {
    const auto found = statuses_.find(client);
    return found == statuses_.end() ? MCPInstaller::Status::notConnected() : found->second;
}

std::vector<MCPClient> MCPConnectionModel::orderedClients() const {
    struct Entry {
        MCPClient client;
        bool installed;
        std::string_view name;
    };
    std::vector<Entry> entries;
    for (const MCPClientInfo& info : mcpClients())
        entries.push_back(
            {info.client, installer_.isLikelyInstalled(info.client), info.displayName});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.installed != b.installed)
            return a.installed;
        return a.name < b.name;
    });
    std::vector<MCPClient> clients;
    for (const Entry& entry : entries)
        clients.push_back(entry.client);
    return clients;
}

MCPConnectionModel::Row MCPConnectionModel::row(MCPClient client) const {
    const MCPClientInfo& info = mcpClientInfo(client);
    Row row{client,
            std::string(info.displayName),
            !installer_.isLikelyInstalled(client),
            std::string(info.description),
            Tone::tertiary,
            Action::connect};
    switch (status(client).kind) {
    case MCPInstaller::Status::Kind::notConnected:
        break;
    case MCPInstaller::Status::Kind::connected:
        if (!installer_.serverIsExecutable()) {
            row.statusLine = AgentTexts::serverGone;
            row.tone = Tone::stale;
            row.action = Action::repair;
            break;
        }
        row.statusLine = AgentTexts::connected;
        row.tone = Tone::connected;
        row.action = Action::disconnect;
        break;
    case MCPInstaller::Status::Kind::stale:
        row.statusLine = AgentTexts::stale;
        row.tone = Tone::stale;
        row.action = Action::repair;
        break;
    }
    return row;
}

} // namespace tavro
