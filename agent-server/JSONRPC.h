#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace tavro {

using JSON = nlohmann::json;

// JSON-RPC 2.0 framing: one JSON object per line in each direction.
namespace JSONRPC {

struct Request {
    std::optional<JSON> id; // a JSON null id is present
    std::string method;
    JSON params = JSON::object(); // always an object

    bool operator==(const Request&) const = default;
};

enum class ErrorCode : int {
    parseError = -32700,
    invalidRequest = -32600,
    methodNotFound = -32601,
    invalidParams = -32602,
    internalError = -32603,
};

// One request, or nothing for a line that is not JSON, not an object, has no text "method", or
// nests its values more than 256 levels deep.
std::optional<Request> parse(std::string_view line);

JSON result(const std::optional<JSON>& id, JSON result);
JSON error(const std::optional<JSON>& id, ErrorCode code, std::string_view message);

// Compact JSON with every object's keys sorted, as one line without its line feed. Text that
// is not valid UTF-8 is written with U+FFFD in its place rather than dropping the message.
std::optional<std::string> serialize(const JSON& message);

} // namespace JSONRPC

} // namespace tavro
