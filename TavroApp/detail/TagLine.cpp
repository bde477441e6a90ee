#include "detail/TagLine.h"

#include "model/Text.h"

#include <algorithm>

namespace tavro {

std::vector<std::string> parseTagLine(std::string_view line) {
    std::vector<std::string> tags;
    size_t start = 0;
    while (start <= line.size()) {
        const size_t comma = std::min(line.find(',', start), line.size());
        std::string tag = text::lowercased(
            text::trimmed(line.substr(start, comma - start), text::Whitespace::Horizontal));
        if (!tag.empty())
            tags.push_back(std::move(tag));
        start = comma + 1;
    }
    return tags;
}

std::string tagLineText(const std::vector<std::string>& tags) {
    std::string line;
    for (size_t i = 0; i < tags.size(); ++i)
        line += (i == 0 ? "" : ", ") + tags[i];
    return line;
}

} // namespace tavro
