#include "JSONRPC.h"

#include "model/Text.h"
#include "model/Wire.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace tavro::JSONRPC {

namespace {

// Far deeper than any real message. Copying or writing a value takes one call per level, so a
// line nested many thousands deep would overflow the stack instead of being refused.
constexpr std::size_t maxNesting = 256;

struct TooDeep {};

// About the length of a value's text: its strings and keys with their quotes, and a little for
// every other value. Messages that reach it are no deeper than maxNesting.
std::size_t textSize(const JSON& value) {
    switch (value.type()) {
    case JSON::value_t::string:
        return value.get_ref<const std::string&>().size() + 2;
    case JSON::value_t::array: {
        std::size_t size = 2;
        for (const auto& element : value)
            size += textSize(element) + 1;
        return size;
    }
    case JSON::value_t::object: {
        std::size_t size = 2;
        for (auto it = value.begin(); it != value.end(); ++it)
            size += it.key().size() + 4 + textSize(it.value());
        return size;
    }
    default:
        return 8;
    }
}

// nlohmann's own text for a string, but one that needs no escaping (printable ASCII without
// quotes or backslashes, as a screenshot's Base64 is) is copied whole rather than a byte at a
// time through the escaper.
void writeString(const std::string& value, std::string& out) {
    const bool plain = std::all_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\';
    });
    if (!plain) {
        out += JSON(value).dump(-1, ' ', false, JSON::error_handler_t::replace);
        return;
    }
    out += '"';
    out += value;
    out += '"';
}

// The text dump() gives without indentation, invalid UTF-8 replaced.
void writeCompact(const JSON& value, std::string& out) {
    switch (value.type()) {
    case JSON::value_t::object: {
        out += '{';
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (it != value.begin())
                out += ',';
            writeString(it.key(), out);
            out += ':';
            writeCompact(it.value(), out);
        }
        out += '}';
        return;
    }
    case JSON::value_t::array: {
        out += '[';
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (it != value.begin())
                out += ',';
            writeCompact(*it, out);
        }
        out += ']';
        return;
    }
    case JSON::value_t::string:
        writeString(value.get_ref<const std::string&>(), out);
        return;
    default:
        out += value.dump(-1, ' ', false, JSON::error_handler_t::replace);
    }
}

JSON parseJSON(const std::string& text) {
    if (Wire::textNestedDeeperThan(text, maxNesting))
        throw TooDeep{};
    return JSON::parse(text, nullptr, false);
}

bool isNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// The text with every number too large for a double (1E400) written as null; nothing when it
// holds none. The parser refuses such a number with the whole line, where a value of the wrong
// type only costs its own field: null is a value that no field takes, so the field falls back
// to its default, as it does for a number too small (which reads as 0).
std::optional<std::string> overflowingNumbersAsNull(const std::string& text) {
    static const locale_t posix = newlocale(LC_ALL_MASK, "C", locale_t(0));
    std::string out;
    bool changed = false;
    bool inString = false;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (inString) {
            out += c;
            ++i;
            if (c == '\\' && i < text.size())
                out += text[i++];
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            size_t end = i + 1;
            while (end < text.size() && isNumberCharacter(text[end]))
                ++end;
            const std::string number = text.substr(i, end - i);
            if (std::isinf(strtod_l(number.c_str(), nullptr, posix))) {
                out += "null";
                changed = true;
            } else {
                out += number;
            }
            i = end;
            continue;
        }
        inString = c == '"';
        out += c;
        ++i;
    }
    if (!changed)
        return std::nullopt;
    return out;
}

} // namespace

std::optional<Request> parse(std::string_view line) {
    // Bytes that are not UTF-8 are read as U+FFFD, as a text reader of the line would.
    JSON message;
    try {
        const std::string decoded = text::validUTF8(line);
        message = parseJSON(decoded);
        if (message.is_discarded())
            if (auto readable = overflowingNumbersAsNull(decoded))
                message = parseJSON(*readable);
    } catch (const TooDeep&) {
        // Nested past the parser's limit: the caller answers it as a parse error.
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
        request.params = std::move(*params);
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
        // Written into room reserved for it, with some to spare for escapes and the line's end:
        // a reply with a screenshot would otherwise grow through a dozen copies of itself.
        std::string text;
        text.reserve(textSize(message) * 9 / 8 + 64);
        writeCompact(message, text);
        return text;
    } catch (const JSON::exception&) {
        // The transport logs a message it cannot send and drops it; the session goes on.
        return std::nullopt;
    }
}

} // namespace tavro::JSONRPC
