#pragma once

#include "store/Row.h"

#include <optional>
#include <set>
#include <string>

namespace tavro {

// The locally pending fields of a row read as "sync_state, pending": empty unless it is
// waiting to be pushed.
std::set<std::string> localPendingFields(const std::optional<Row>& local);

} // namespace tavro
