#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// One agent client's JSON configuration file as the installer reads and writes it. The file
// belongs to the user and to the client: what cannot be edited safely is left as it is.
namespace AgentConfigFile {

struct Contents {
    enum class State {
        missing,
        object,
        // Present but not a plain JSON object (comments, a trailing comma, an array, unreadable
        // bytes): editing it would lose what the user keeps there.
        unreadable,
    };
    State state = State::missing;
    // The top-level object; an empty object for a missing or blank file.
    nlohmann::json root = nlohmann::json::object();
    // Why an unreadable file could not be used, for the user.
    std::string problem;
};

Contents read(const std::filesystem::path& file);

// "<file>.tavro-backup" beside the file.
std::filesystem::path backupPath(const std::filesystem::path& file);

// Best effort: replaces the one backup with a copy of the file; failures are ignored.
void backup(const std::filesystem::path& file);

// Pretty printed with sorted keys, slashes as they are, and a final line break; nothing when the
// value holds text that is not UTF-8.
std::optional<std::string> serialise(const nlohmann::json& value);

// Why the file must be left alone although it could be replaced: a file the user made read-only
// (its owner may not write it; a rename would replace it all the same). Nothing otherwise.
std::optional<std::string> writeProtection(const std::filesystem::path& file);

// Replaces the file atomically. A symbolic link is written through to its target, so the link
// stays, and a replaced file keeps its mode. Returns the error text on failure, when the file
// is as it was.
std::optional<std::string> write(const std::filesystem::path& file, std::string_view text);

} // namespace AgentConfigFile

} // namespace tavro
