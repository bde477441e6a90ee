#pragma once

#include "model/BoardEnums.h"
#include "store/Row.h"

#include <string_view>

namespace tavro {

// An enumeration stored by its text value; a missing, foreign or unknown value reads as
// `fallback`.
template <class E> E enumColumn(const Row& row, std::string_view column, E fallback) {
    if (auto text = row.string(column))
        if (auto value = fromRawValue<E>(*text))
            return *value;
    return fallback;
}

} // namespace tavro
