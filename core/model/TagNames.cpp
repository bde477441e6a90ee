#include "model/TagNames.h"

#include "model/Text.h"

#include <algorithm>

namespace tavro {

std::vector<std::string> normalizedTagNames(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    out.reserve(names.size());
    for (const auto& name : names) {
        auto normal =
            text::lowercased(text::trimmed(text::singleLine(name), text::Whitespace::Horizontal));
        if (!normal.empty())
            out.push_back(std::move(normal));
    }
    // UTF-8 compared byte by byte (as unsigned) orders by code point.
    std::sort(out.begin(), out.end());
    // "é" typed as one code point or as "e" and a combining accent is one tag: the first in
    // code-point order stays.
    std::vector<std::string> unique;
    unique.reserve(out.size());
    for (auto& name : out) {
        const bool seen = std::any_of(unique.begin(), unique.end(), [&](const std::string& kept) {
            return text::canonicallyEqual(kept, name);
        });
        if (!seen)
            unique.push_back(std::move(name));
    }
    return unique;
}

} // namespace tavro
