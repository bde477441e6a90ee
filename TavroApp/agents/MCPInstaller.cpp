#include "agents/MCPInstaller.h"

#include "agents/AgentConfigFile.h"
#include "agents/ShellQuote.h"

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace tavro {

namespace {

constexpr const char* entryName = "tavro";

bool present(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

bool isExecutableFile(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

bool onSearchPath(std::string_view program, std::string_view searchPath) {
    while (!program.empty()) {
        const auto colon = searchPath.find(':');
        const std::string_view folder = searchPath.substr(0, colon);
        if (!folder.empty() && isExecutableFile(fs::path(folder) / program))
            return true;
        if (colon == std::string_view::npos)
            return false;
        searchPath.remove_prefix(colon + 1);
    }
    return false;
}

void write(const fs::path& file, const json& root, std::string_view failure) {
    const auto text = AgentConfigFile::serialise(root);
    if (!text)
        throw MCPInstallError(std::string(failure) + " (the server's path is not UTF-8 text)");
    if (auto error = AgentConfigFile::write(file, *text))
        throw MCPInstallError(*error);
}

} // namespace

MCPInstaller::MCPInstaller(AgentHome home)
    : home_(std::move(home)) {}

bool MCPInstaller::serverIsExecutable() const {
    return isExecutableFile(home_.server);
}

fs::path MCPInstaller::configPath(Client client) const {
    const MCPClientInfo& info = mcpClientInfo(client);
    const fs::path& base = info.base == ConfigBase::home ? home_.home : home_.configHome;
    return base / info.configFile;
}

bool MCPInstaller::isLikelyInstalled(Client client) const {
    const MCPClientInfo& info = mcpClientInfo(client);
    const fs::path& base = info.base == ConfigBase::home ? home_.home : home_.configHome;
    return onSearchPath(info.program, home_.searchPath) || present(configPath(client)) ||
           present(base / info.markerFolder);
}

json MCPInstaller::serverEntry(Client client) const {
    const MCPClientInfo& info = mcpClientInfo(client);
    json env = {{"TAVRO_AGENT", std::string(info.agentName)}};
    if (home_.library)
        env["TAVRO_HOME"] = home_.library->string();
    json entry = {{"command", home_.server.string()}, {"args", json::array()}, {"env", env}};
    if (info.namesTransport)
        entry["type"] = "stdio";
    return entry;
}

std::string MCPInstaller::configSnippet(Client client) const {
    const MCPClientInfo& info = mcpClientInfo(client);
    json snippet = {{std::string(info.serversKey), {{entryName, serverEntry(client)}}}};
    try {
        return snippet.dump(2);
    } catch (const json::exception&) {
        // Text that is not valid UTF-8: no snippet to show rather than a broken one.
        return {};
    }
}

std::string MCPInstaller::claudeCodeCommand() const {
    std::string command = "claude mcp add --scope user tavro --env TAVRO_AGENT=" +
                          std::string(mcpClientInfo(Client::claudeCode).agentName);
    if (home_.library)
        command += " --env " + shellQuoted("TAVRO_HOME=" + home_.library->string());
    return command + " -- " + shellQuoted(home_.server.string());
}

MCPInstaller::Status MCPInstaller::status(Client client) const {
    const auto contents = AgentConfigFile::read(configPath(client));
    const json& servers = contents.root.value(mcpClientInfo(client).serversKey, json());
    if (!servers.is_object())
        return Status::notConnected();
    const json& entry = servers.value(entryName, json());
    if (!entry.is_object())
        return Status::notConnected();
    const json& command = entry.value("command", json());
    if (!command.is_string())
        return Status::notConnected();
    // No normalisation: a link or a moved copy of the app counts as another server.
    const std::string& path = command.get_ref<const std::string&>();
    if (path != home_.server.string())
        return Status::stale(path);
    // An entry that sends the agent to another library is as wrong as one of another copy.
    const json& env = entry.value("env", json());
    const json& library = env.is_object() ? env.value("TAVRO_HOME", json()) : json();
    const std::optional<std::string> named =
        library.is_string() ? std::optional(library.get<std::string>()) : std::nullopt;
    const std::optional<std::string> ours =
        home_.library ? std::optional(home_.library->string()) : std::nullopt;
    return named == ours ? Status::connected() : Status::stale(path);
}

fs::path MCPInstaller::install(Client client) const {
    const MCPClientInfo& info = mcpClientInfo(client);
    const fs::path file = configPath(client);
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error)
        throw MCPInstallError("The folder " + file.parent_path().string() + " can't be created (" +
                              error.message() + ")");
    auto contents = AgentConfigFile::read(file);
    if (contents.state == AgentConfigFile::Contents::State::unreadable)
        throw MCPInstallError(contents.problem +
                              ", so it was left as it is. Add the server by hand instead.");
    if (auto refusal = AgentConfigFile::writeProtection(file))
        throw MCPInstallError(*refusal);
    if (contents.state == AgentConfigFile::Contents::State::object)
        AgentConfigFile::backup(file);
    json& root = contents.root;
    const std::string key(info.serversKey);
    if (!root.contains(key) || !root[key].is_object())
        root[key] = json::object();
    root[key][entryName] = serverEntry(client);
    write(file, root, "The configuration can't be written");
    return file;
}

void MCPInstaller::remove(Client client) const {
    const MCPClientInfo& info = mcpClientInfo(client);
    const fs::path file = configPath(client);
    auto contents = AgentConfigFile::read(file);
    if (contents.state != AgentConfigFile::Contents::State::object)
        return;
    auto servers = contents.root.find(info.serversKey);
    if (servers == contents.root.end() || !servers->is_object() || !servers->contains(entryName))
        return;
    if (auto refusal = AgentConfigFile::writeProtection(file))
        throw MCPInstallError(*refusal);
    AgentConfigFile::backup(file);
    servers->erase(entryName);
    write(file, contents.root, "The configuration can't be written");
}

} // namespace tavro
