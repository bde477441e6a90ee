#include "ToolResult.h"

#include "model/Text.h"

namespace tavro {

ToolResult ToolResult::text(std::string text) {
    return {{textBlock(std::move(text))}, false};
}

ToolResult ToolResult::failure(std::string text) {
    return {{textBlock(std::move(text))}, true};
}

JSON ToolResult::textBlock(std::string text) {
    // Stored text comes from other programs and from the network: an agent's terminal must show
    // it, never act on it.
    return JSON{{"type", "text"}, {"text", text::withoutControlCharacters(text)}};
}

JSON ToolResult::imageBlock(std::string base64PNG) {
    return JSON{{"type", "image"}, {"data", std::move(base64PNG)}, {"mimeType", "image/png"}};
}

JSON ToolResult::toJSON() const& {
    return JSON{{"content", content}, {"isError", isError}};
}

JSON ToolResult::toJSON() && {
    return JSON{{"content", std::move(content)}, {"isError", isError}};
}

} // namespace tavro
