#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The detail pane's tag field: tags separated by commas only (a space or semicolon stays inside
// a tag), each trimmed of spaces and tabs and lower-cased, empty ones dropped, order and
// duplicates kept (the store keeps one of each).
std::vector<std::string> parseTagLine(std::string_view line);
// The text the field starts with.
std::string tagLineText(const std::vector<std::string>& tags);

} // namespace tavro
