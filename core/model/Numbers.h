#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace tavro {

// Truncation toward zero; nothing for a value with no 64-bit integer reading (NaN, infinities,
// magnitudes of 2^63 and above).
inline std::optional<std::int64_t> truncatedInteger(double value) {
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || value >= limit || value < -limit)
        return std::nullopt;
    return std::int64_t(value);
}

} // namespace tavro
