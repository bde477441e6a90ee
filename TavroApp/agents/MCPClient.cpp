#include "agents/MCPClient.h"

namespace tavro {

namespace {

constexpr MCPClientInfo clients[] = {
    {MCPClient::claudeCode, "claudeCode", "Claude Code", ConfigBase::home, ".claude.json",
     "mcpServers", "claude-code", ".claude", "", Icon::terminal, "Terminal and IDE agent", true},
    {MCPClient::claudeDesktop, "claudeDesktop", "Claude Desktop", ConfigBase::configHome,
     "Claude/claude_desktop_config.json", "mcpServers", "claude-desktop", "Claude",
     "claude-desktop", Icon::message, "The Claude desktop app"},
    {MCPClient::cursor, "cursor", "Cursor", ConfigBase::home, ".cursor/mcp.json", "mcpServers",
     "cursor", ".cursor", "cursor", Icon::cursorarrowRays, "Cursor's agent"},
    {MCPClient::vsCode, "vsCode", "VS Code", ConfigBase::configHome, "Code/User/mcp.json",
     "servers", "vscode", "Code/User", "code", Icon::chevronLeftForwardslashChevronRight,
     "Copilot agent mode", true},
};

} // namespace

std::span<const MCPClientInfo> mcpClients() {
    return clients;
}

const MCPClientInfo& mcpClientInfo(MCPClient client) {
    for (const MCPClientInfo& info : clients)
        if (info.client == client)
            return info;
    return clients[0];
}

std::optional<MCPClient> mcpClientNamed(std::string_view id) {
    for (const MCPClientInfo& info : clients)
        if (info.id == id)
            return info.client;
    return std::nullopt;
}

} // namespace tavro
