#include "values/CaptureContext.h"

#include "model/Text.h"

namespace tavro {

std::optional<std::string> nilIfBlank(std::string_view text) {
    if (text::isBlank(text, text::Whitespace::AndNewlines))
        return std::nullopt;
    return std::string(text);
}

} // namespace tavro
