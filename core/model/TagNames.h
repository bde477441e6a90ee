#pragma once

#include <string>
#include <vector>

namespace tavro {

// The names a capture's tags are stored under: on one line, trimmed of spaces and tabs,
// lower-cased, without empty names or duplicates, in ascending code-point order.
std::vector<std::string> normalizedTagNames(const std::vector<std::string>& names);

} // namespace tavro
