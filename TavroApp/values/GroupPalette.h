#pragma once

#include <array>
#include <string_view>

namespace tavro::GroupPalette {

// The colours a new group can take, in the order the new-group sheet offers them.
inline constexpr std::array<std::string_view, 7> colors{
    "#6E7BF2", "#10B981", "#F59E0B", "#EF4444", "#8B5CF6", "#06B6D4", "#EC4899",
};

} // namespace tavro::GroupPalette
