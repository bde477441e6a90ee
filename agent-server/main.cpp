// tavro-mcp: the agent server that coding-agent clients start and talk to over stdin/stdout.
#include "Diagnostics.h"
#include "LibraryOpenFailure.h"
#include "StdoutTransport.h"
#include "TavroMCPServer.h"
#include "model/Paths.h"

#include <cstdlib>
#include <iostream>
#include <memory>

int main() {
    using namespace tavro;
    int protocol = claimStandardOutput();
    auto database = TavroPaths::databasePath();
    std::error_code ignored;
    const bool existed =
        std::filesystem::exists(std::filesystem::symlink_status(database, ignored));
    std::unique_ptr<TavroMCPServer> server;
    try {
        server = std::make_unique<TavroMCPServer>(
            protocol, database, TavroMCPServer::defaultAgentName(std::getenv("TAVRO_AGENT")));
    } catch (const std::exception& error) {
        diagnostics::writeStandardError("[tavro-mcp] fatal: " + diagnostics::describe(error) +
                                        "\n");
        diagnostics::writeStandardError(libraryOpenFailure(database, existed, error));
        return 1;
    }
    std::ios::sync_with_stdio(false);
    server->run(std::cin);
    return 0;
}
