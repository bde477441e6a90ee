// Connects every agent client for the user this runs as (HOME, XDG_CONFIG_HOME), as the agent tab's
// Connect buttons do, naming the agent server given as the argument. Prints each client's
// configuration file as JSON: {"claudeCode": path, …}.
#include "agents/MCPInstaller.h"

#include <nlohmann/json.hpp>

#include <cstdio>

int main(int argc, char** argv) {
    using namespace tavro;
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavro-e2e-connect-agents <path of tavro-mcp>\n");
        return 2;
    }
    AgentHome where = AgentHome::current();
    where.server = argv[1];
    const MCPInstaller installer(where);
    nlohmann::json files = nlohmann::json::object();
    try {
        for (const MCPClientInfo& info : mcpClients())
            files[std::string(info.id)] = installer.install(info.client).string();
    } catch (const MCPInstallError& error) {
        std::fprintf(stderr, "tavro-e2e-connect-agents: %s\n", error.what());
        return 1;
    }
    std::printf("%s\n", files.dump().c_str());
    return 0;
}
