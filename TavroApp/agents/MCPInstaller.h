#pragma once

#include "agents/AgentHome.h"
#include "agents/MCPClient.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavro {

// A configuration file that could not be written or was left alone; `what()` says why, for the
// user.
class MCPInstallError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Connects agent clients to tavro-mcp by editing their own configuration files: one server entry
// named "tavro" under the client's servers member, and nothing else in the file changed. Every
// call reads the file again; nothing is remembered between calls.
class MCPInstaller {
public:
    using Client = MCPClient;

    struct Status {
        enum class Kind { stale, notConnected, connected };
        Kind kind = Kind::notConnected;
        // The command of an entry that names another server, for `stale`.
        std::string existingPath;

        static Status stale(std::string path) { return {Kind::stale, std::move(path)}; }
        static Status notConnected() { return {}; }
        static Status connected() { return {Kind::connected, {}}; }
        bool operator==(const Status&) const = default;
    };

    explicit MCPInstaller(AgentHome home);

    const std::filesystem::path& serverExecutable() const { return home_.server; }
    // Whether the server is there to be started: an executable file.
    bool serverIsExecutable() const;

    std::filesystem::path configPath(Client client) const;
    // A hint for ordering and labels only: every operation works for every client.
    bool isLikelyInstalled(Client client) const;

    // Names the library too when the server would not find the app's by itself, and the
    // transport for the clients whose documented entries do.
    nlohmann::json serverEntry(Client client) const;
    // The servers member with the entry alone, as a user pastes it into a client's file; empty
    // when the server's path cannot be written as JSON.
    std::string configSnippet(Client client) const;
    // The Claude Code command line that adds the server for every project of the user, the path
    // quoted for a POSIX shell.
    std::string claudeCodeCommand() const;

    Status status(Client client) const;
    // Writes the entry, after a backup of the file, and returns the file's path. A file that is
    // not a plain JSON object is left byte for byte as it was, and the error says so.
    std::filesystem::path install(Client client) const;
    // Deletes the entry when there is one; a missing or unreadable file, or one without the
    // entry, is no error and is not touched.
    void remove(Client client) const;

private:
    AgentHome home_;
};

} // namespace tavro
