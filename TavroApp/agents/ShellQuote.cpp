#include "agents/ShellQuote.h"

namespace tavro {

std::string shellQuoted(std::string_view text) {
    if (text.find_first_of("\"$`\\!'") == std::string_view::npos)
        return "\"" + std::string(text) + "\"";
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += '\'';
    return quoted;
}

} // namespace tavro
