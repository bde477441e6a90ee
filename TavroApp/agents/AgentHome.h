#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tavro {

// Where the agent clients' files and the agent server lie for one user. Tests build one over a
// temporary home; the app takes the running user's.
struct AgentHome {
    std::filesystem::path home;
    // $XDG_CONFIG_HOME, else home/.config.
    std::filesystem::path configHome;
    // The absolute path of tavro-mcp, which ships beside the tavro program.
    std::filesystem::path server;
    // The program search path, for telling which clients are installed.
    std::string searchPath;
    // The library the app uses, when the server would not find it by itself: a client starts
    // the server with its own environment, so "TAVRO_HOME" or another XDG_DATA_HOME of the app's
    // would otherwise send the agent to another board.
    std::optional<std::filesystem::path> library;

    // From HOME (else the password database), XDG_CONFIG_HOME, PATH, the running program and the
    // library folder.
    static AgentHome current();
    // The server beside `program`, with the program's symbolic links followed first, so that a
    // link on PATH still finds the installed folder.
    static std::filesystem::path serverBeside(const std::filesystem::path& program);
};

} // namespace tavro
