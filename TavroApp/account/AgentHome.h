#pragma once

#include <filesystem>
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

    // From HOME (else the password database), XDG_CONFIG_HOME, PATH and the running program.
    static AgentHome current();
    // The server beside `program`, with the program's symbolic links followed first, so that a
    // link on PATH still finds the installed folder.
    static std::filesystem::path serverBeside(const std::filesystem::path& program);
};

} // namespace tavro
