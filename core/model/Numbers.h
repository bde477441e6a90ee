#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavro {

// Truncation toward zero; nothing for a value with no 64-bit integer reading (NaN, infinities,
// magnitudes of 2^63 and above).
inline std::optional<std::int64_t> truncatedInteger(double value) {
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || value >= limit || value < -limit)
        return std::nullopt;
    return std::int64_t(value);
}

// Takes a leading "+" or "-" off `text`; true for "-".
inline bool takeSign(std::string_view& text) {
    if (text.empty() || (text.front() != '+' && text.front() != '-'))
        return false;
    const bool negative = text.front() == '-';
    text.remove_prefix(1);
    return negative;
}

} // namespace tavro
