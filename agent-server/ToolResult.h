#pragma once

#include "JSONRPC.h"

#include <string>
#include <vector>

namespace tavro {

// The outcome of one tool call: MCP content blocks and whether the call failed for the agent.
struct ToolResult {
    std::vector<JSON> content;
    bool isError = false;

    static ToolResult text(std::string text);
    static ToolResult failure(std::string text);

    static JSON textBlock(std::string text);
    static JSON imageBlock(std::string base64PNG);

    // {"content": [...], "isError": …}, the result of "tools/call"; a result that is done with
    // moves its blocks (a screenshot's is megabytes) instead of copying them.
    JSON toJSON() const&;
    JSON toJSON() &&;

    bool operator==(const ToolResult&) const = default;
};

} // namespace tavro
