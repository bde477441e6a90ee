#pragma once

#include <string_view>

namespace tavro::AgentTexts {

inline constexpr std::string_view connect = "Connect";
inline constexpr std::string_view repair = "Repair";
inline constexpr std::string_view disconnect = "Disconnect";
inline constexpr std::string_view connected = "Connected";
inline constexpr std::string_view stale = "Points at an older copy of Tavro";
inline constexpr std::string_view serverGone = "The Tavro server it names is missing";
inline constexpr std::string_view serverNotThere = "no Tavro server to start at ";
inline constexpr std::string_view notDetected = "not detected";
inline constexpr std::string_view writeFailed = "Couldn't write ";
inline constexpr std::string_view updateFailed = "Couldn't update ";
inline constexpr std::string_view configFailedTail = "'s config: ";
inline constexpr std::string_view manualToggle = "Set it up manually instead";
inline constexpr std::string_view manualCommandCaption = "Claude Code — run this once:";
inline constexpr std::string_view manualSnippetCaption = "Or add this to your client's MCP config:";
inline constexpr std::string_view restartHint =
    "Restart your agent after connecting so it picks up the new server.";
inline constexpr std::string_view title = "Model Context Protocol";
inline constexpr std::string_view toolsSection = "What your agent can do";
inline constexpr std::string_view tabLabel = "Agent";

} // namespace tavro::AgentTexts
