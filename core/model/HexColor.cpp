#include "model/HexColor.h"

#include "model/Numbers.h"
#include "model/Text.h"

#include <optional>
#include <string>

namespace tavro {

namespace {

std::optional<std::uint32_t> parseHexNumber(std::string_view text) {
    const bool negative = takeSign(text);
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + std::uint64_t(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    if (negative && value != 0)
        return std::nullopt;
    return std::uint32_t(value);
}

} // namespace

std::uint32_t hexColorValue(std::string_view text, std::uint32_t fallback) {
    const std::string trimmed = text::trimmed(text, text::Whitespace::Horizontal);
    std::string_view digits = trimmed;
    if (digits.starts_with('#'))
        digits.remove_prefix(1);
    return parseHexNumber(digits).value_or(fallback) & 0xFFFFFF;
}

} // namespace tavro
