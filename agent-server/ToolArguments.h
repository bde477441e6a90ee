#pragma once

#include "JSONRPC.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// Lenient readers of a tool call's "arguments": a value of another JSON type, a JSON null and
// a missing key all read as not passed.
namespace ToolArguments {

std::optional<std::string> string(const JSON& arguments, std::string_view key);
// A string that is not empty (nothing trimmed).
std::optional<std::string> nonEmptyString(const JSON& arguments, std::string_view key);
// An array whose elements are all strings; one element of another type spoils the whole list.
std::optional<std::vector<std::string>> stringList(const JSON& arguments, std::string_view key);
// A whole number; 3.5 and "3" are not.
std::optional<std::int64_t> integer(const JSON& arguments, std::string_view key);
std::optional<bool> boolean(const JSON& arguments, std::string_view key);

} // namespace ToolArguments

} // namespace tavro
