#include "ToolResult.h"

namespace tavro {

ToolResult ToolResult::text(std::string text) {
    return {{textBlock(std::move(text))}, false};
}

ToolResult ToolResult::failure(std::string text) {
    return {{textBlock(std::move(text))}, true};
}

JSON ToolResult::textBlock(std::string text) {
    return JSON{{"type", "text"}, {"text", std::move(text)}};
}

JSON ToolResult::imageBlock(std::string base64PNG) {
    return JSON{{"type", "image"}, {"data", std::move(base64PNG)}, {"mimeType", "image/png"}};
}

JSON ToolResult::toJSON() const {
    return JSON{{"content", content}, {"isError", isError}};
}

} // namespace tavro
