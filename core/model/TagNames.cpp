#include "model/TagNames.h"

#include "model/Text.h"

#include <algorithm>

namespace tavro {

std::vector<std::string> normalizedTagNames(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    out.reserve(names.size());
    for (const auto& name : names) {
        auto normal = text::lowercased(text::trimmed(name, text::Whitespace::Horizontal));
        if (!normal.empty())
            out.push_back(std::move(normal));
    }
    // UTF-8 compared byte by byte (as unsigned) orders by code point.
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace tavro
