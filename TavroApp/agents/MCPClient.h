#pragma once

#include "ui/Icons.h"

#include <optional>
#include <span>
#include <string_view>

namespace tavro {

// The coding-agent clients whose configuration files the installer edits, in the order they are
// listed.
enum class MCPClient { claudeCode, claudeDesktop, cursor, vsCode };

// Where a client's files lie: under the home folder, or under the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config).
enum class ConfigBase { home, configHome };

struct MCPClientInfo {
    MCPClient client;
    std::string_view id;
    std::string_view displayName;
    ConfigBase base;
    std::string_view configFile;
    std::string_view serversKey;
    std::string_view agentName;
    // A folder (relative to `base`) whose presence says the client has been used here.
    std::string_view markerFolder;
    // A program on PATH that says the client is installed; empty when none does.
    std::string_view program;
    Icon icon;
    std::string_view description;
    // Whether the client's documented entry names its transport ("type": "stdio").
    bool namesTransport = false;
};

std::span<const MCPClientInfo> mcpClients();
const MCPClientInfo& mcpClientInfo(MCPClient client);
std::optional<MCPClient> mcpClientNamed(std::string_view id);

} // namespace tavro
