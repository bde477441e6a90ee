#include "JSONRPC.h"

#include "model/Text.h"

namespace tavro::JSONRPC {

namespace {

// Far deeper than any real message. Copying or writing a value takes one call per level, so a
// line nested many thousands deep would overflow the stack instead of being refused.
constexpr int maxNesting = 256;

struct TooDeep {};

} // namespace

std::optional<Request> parse(std::string_view line) {
    // Bytes that are not UTF-8 are read as U+FFFD, as a text reader of the line would.
    JSON message;
    try {
        message = JSON::parse(
            text::validUTF8(line),
            [](int depth, JSON::parse_event_t, JSON&) {
                if (depth >= maxNesting)
                    throw TooDeep{};
                return true;
            },
            false);
    } catch (const TooDeep&) {
        return std::nullopt;
    }
    if (message.is_discarded() || !message.is_object())
        return std::nullopt;
    auto method = message.find("method");
    if (method == message.end() || !method->is_string())
        return std::nullopt;
    Request request;
    request.method = method->get<std::string>();
    if (auto id = message.find("id"); id != message.end())
        request.id = *id;
    if (auto params = message.find("params"); params != message.end() && params->is_object())
        request.params = *params;
    return request;
}

JSON result(const std::optional<JSON>& id, JSON result) {
    return JSON{{"jsonrpc", "2.0"}, {"result", std::move(result)}, {"id", id.value_or(nullptr)}};
}

JSON error(const std::optional<JSON>& id, ErrorCode code, std::string_view message) {
    return JSON{{"jsonrpc", "2.0"},
                {"error", {{"code", static_cast<int>(code)}, {"message", message}}},
                {"id", id.value_or(nullptr)}};
}

std::optional<std::string> serialize(const JSON& message) {
    try {
        return message.dump(-1, ' ', false, JSON::error_handler_t::replace);
    } catch (const JSON::exception&) {
        // The transport logs a message it cannot send and drops it; the session goes on.
        return std::nullopt;
    }
}

} // namespace tavro::JSONRPC
