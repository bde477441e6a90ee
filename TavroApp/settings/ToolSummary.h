#pragma once

#include <span>
#include <string_view>

namespace tavro {

// One agent tool as the agent tab explains it to the user.
struct ToolSummary {
    std::string_view name;
    std::string_view detail;

    // The agent server's nine tools, in the order the tab lists them.
    static std::span<const ToolSummary> all();
};

} // namespace tavro
