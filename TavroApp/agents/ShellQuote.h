#pragma once

#include <string>
#include <string_view>

namespace tavro {

// `text` as one word of a POSIX shell command line that a user pastes into a terminal. A plain
// path is shown in double quotes; one holding a character that double quotes leave special (or
// that an interactive shell expands, such as "!") goes in single quotes, each single quote
// written as '\''.
std::string shellQuoted(std::string_view text);

} // namespace tavro
