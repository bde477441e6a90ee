#include "sync/SyncReply.h"

#include "model/Text.h"
#include "model/Wire.h"
#include "sync/SyncError.h"

#include <limits>
#include <string_view>
#include <unordered_map>

namespace tavro {

using nlohmann::json;

namespace {

// The scanning below walks text already known to be JSON, so it only needs to find where each
// value ends.

size_t skipSpace(std::string_view text, size_t at) {
    while (at < text.size() &&
           (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
        ++at;
    return at;
}

// Past the closing quote of the string whose opening quote is at `at`.
size_t stringEnd(std::string_view text, size_t at) {
    for (size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i + 1;
    }
    return text.size();
}

size_t valueEnd(std::string_view text, size_t at) {
    const char first = text[at];
    if (first == '"')
        return stringEnd(text, at);
    if (first == '{' || first == '[') {
        size_t depth = 0;
        for (size_t i = at; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '"')
                i = stringEnd(text, i) - 1;
            else if (c == '{' || c == '[')
                ++depth;
            else if ((c == '}' || c == ']') && --depth == 0)
                return i + 1;
        }
        return text.size();
    }
    while (at < text.size() &&
           std::string_view(",}] \t\r\n").find(text[at]) == std::string_view::npos)
        ++at;
    return at;
}

json parsed(std::string_view text) {
    return json::parse(text.begin(), text.end(), nullptr, false);
}

// The text of the JSON string whose quotes span `quoted`.
std::string unquoted(std::string_view quoted) {
    if (quoted.find('\\') == std::string_view::npos)
        return std::string(quoted.substr(1, quoted.size() - 2));
    return parsed(quoted).get<std::string>();
}

// The "table" of the change at `at` when it is an object with a text "table" and an object
// "row"; as with any JSON object read here, a member named twice takes its last value.
std::optional<std::string> tableOf(std::string_view text, size_t at) {
    if (text[at] != '{')
        return std::nullopt;
    std::optional<std::string> table;
    bool hasRow = false;
    for (at = skipSpace(text, at + 1); at < text.size() && text[at] == '"';) {
        const size_t keyEnd = stringEnd(text, at);
        const std::string key = unquoted(text.substr(at, keyEnd - at));
        at = skipSpace(text, skipSpace(text, keyEnd) + 1);
        const size_t end = valueEnd(text, at);
        if (key == "table")
            table =
                text[at] == '"' ? std::optional(unquoted(text.substr(at, end - at))) : std::nullopt;
        else if (key == "row")
            hasRow = text[at] == '{';
        at = skipSpace(text, end);
        if (at < text.size() && text[at] == ',')
            at = skipSpace(text, at + 1);
    }
    return hasRow ? table : std::nullopt;
}

} // namespace

SyncReply::SyncReply(std::string body)
    : body_(std::move(body)) {
    if (!text::isValidUTF8(body_))
        body_ = text::validUTF8(body_);
    const std::string_view text = body_;
    const auto charAt = [&](size_t i) {
        return i < text.size() ? text[i] : '\0';
    };
    // A reply nested deeper than any real one is refused before parsing: copying or freeing it
    // would take one call per level.
    if (text.size() > std::numeric_limits<std::uint32_t>::max() ||
        Wire::textNestedDeeperThan(text, Wire::maxNesting) ||
        !json::accept(text.begin(), text.end()))
        throw SyncError::decode();
    size_t at = skipSpace(text, 0);
    if (charAt(at) != '{')
        throw SyncError::decode();
    std::unordered_map<std::string, std::uint32_t> tableIndex;
    const auto tableNumber = [&](std::optional<std::string> table) {
        if (!table)
            return noTable;
        const auto [entry, added] = tableIndex.try_emplace(*table, std::uint32_t(tables_.size()));
        if (added)
            tables_.push_back(std::move(*table));
        return entry->second;
    };
    // As with any JSON object read here, a member named twice takes its last value.
    for (at = skipSpace(text, at + 1); charAt(at) == '"';) {
        const size_t keyEnd = stringEnd(text, at);
        const auto key = parsed(text.substr(at, keyEnd - at)).get<std::string>();
        at = skipSpace(text, skipSpace(text, keyEnd) + 1);
        const size_t end = valueEnd(text, at);
        if (key == "changes")
            changes_.clear();
        if (key == "changes" && charAt(at) == '[') {
            fields_.erase(key);
            for (size_t element = skipSpace(text, at + 1);
                 element < end && charAt(element) != ']';) {
                const size_t elementEnd = valueEnd(text, element);
                changes_.push_back({std::uint32_t(element), std::uint32_t(elementEnd - element),
                                    tableNumber(tableOf(text, element))});
                element = skipSpace(text, elementEnd);
                if (charAt(element) == ',')
                    element = skipSpace(text, element + 1);
            }
        } else {
            fields_[key] = parsed(text.substr(at, end - at));
        }
        at = skipSpace(text, end);
        if (charAt(at) == ',')
            at = skipSpace(text, at + 1);
    }
}

json SyncReply::change(std::size_t index) const {
    const auto& change = changes_.at(index);
    return parsed(std::string_view(body_).substr(change.offset, change.length));
}

std::optional<std::string_view> SyncReply::changeTable(std::size_t index) const {
    const std::uint32_t table = changes_.at(index).table;
    if (table == noTable)
        return std::nullopt;
    return tables_[table];
}

} // namespace tavro
