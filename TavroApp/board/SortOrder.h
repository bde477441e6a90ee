#pragma once

#include "model/BoardEnums.h"

namespace tavro {

// The board's orders, as the sort menu lists them.
enum class SortOrder { newest, oldest, priority, app };

template <> struct EnumTable<SortOrder> {
    static constexpr std::array<EnumCase<SortOrder>, 4> cases{{
        {SortOrder::newest, "newest", "Newest first"},
        {SortOrder::oldest, "oldest", "Oldest first"},
        {SortOrder::priority, "priority", "Priority"},
        {SortOrder::app, "app", "App"},
    }};
};

// Cards in an adaptive grid, or one row per capture.
enum class LayoutMode { grid, list };

template <> struct EnumTable<LayoutMode> {
    static constexpr std::array<EnumCase<LayoutMode>, 2> cases{{
        {LayoutMode::grid, "grid", "Grid"},
        {LayoutMode::list, "list", "List"},
    }};
};

} // namespace tavro
