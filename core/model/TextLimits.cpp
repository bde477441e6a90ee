#include "model/TextLimits.h"

#include "model/Text.h"

namespace tavro::TextLimits {

namespace {

// "100,000"
std::string grouped(size_t number) {
    std::string digits = std::to_string(number);
    for (auto at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

} // namespace

bool exceeds(std::string_view text, size_t limit) {
    // A character takes at least one byte: most texts need no counting.
    return text.size() > limit && text::characterCount(text) > limit;
}

std::optional<std::string> tooLong(std::string_view what, std::string_view text, size_t limit) {
    if (!exceeds(text, limit))
        return std::nullopt;
    return std::string(what) + " is longer than " + grouped(limit) + " characters.";
}

std::optional<std::string> tagsRefusal(const std::vector<std::string>& tags) {
    if (tags.size() > tagsPerCapture)
        return "A capture takes at most " + grouped(tagsPerCapture) + " tags.";
    for (const auto& tag : tags)
        if (auto refusal = tooLong("A tag", tag, tagCharacters))
            return refusal;
    return std::nullopt;
}

} // namespace tavro::TextLimits
