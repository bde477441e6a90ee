#include "board/CaptureFilterEngine.h"

#include "model/Text.h"

#include <algorithm>

namespace tavro::CaptureFilterEngine {

namespace {

const std::vector<std::string>* tagsOf(const Capture& capture, const TagsByCapture& tags) {
    const auto found = tags.find(capture.id);
    return found == tags.end() ? nullptr : &found->second;
}

bool sameText(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    return a && b && text::canonicallyEqual(*a, *b);
}

bool passes(const Capture& capture, const LibraryFilter& filter,
            const std::vector<std::string>* tags, const std::optional<std::string>& currentUserID) {
    switch (filter.kind()) {
    case LibraryFilter::Kind::status:
        return capture.status == filter.statusValue();
    case LibraryFilter::Kind::group:
        return capture.groupID && text::canonicallyEqual(*capture.groupID, filter.text());
    case LibraryFilter::Kind::tag:
        return tags && std::any_of(tags->begin(), tags->end(), [&](const std::string& tag) {
                   return text::canonicallyEqual(tag, filter.text());
               });
    case LibraryFilter::Kind::inbox:
        return isActive(capture.status);
    case LibraryFilter::Kind::assignedToMe:
        return sameText(capture.assigneeID, currentUserID) && isActive(capture.status);
    case LibraryFilter::Kind::mine:
        return !capture.authorID || sameText(capture.authorID, currentUserID);
    case LibraryFilter::Kind::everything:
        break;
    }
    return true;
}

// A name nobody has: it sorts after every application name.
const std::string& absentAppKey() {
    static const std::string key = "\U0010FFFF";
    return key;
}

} // namespace

std::string query(std::string_view search) {
    return text::foldedForSearch(text::trimmed(search, text::Whitespace::AndNewlines));
}

bool isSearching(std::string_view search) {
    return !text::isBlank(search, text::Whitespace::AndNewlines);
}

bool matches(const Capture& capture, const LibraryFilter& filter,
             const TagsByCapture& tagsByCapture, const std::optional<std::string>& currentUserID) {
    return passes(capture, filter, tagsOf(capture, tagsByCapture), currentUserID);
}

namespace {

// Filters, searches and sorts any list the board reads: `tags(i)` and `searchText(i)` give the
// capture's tags (or null) and its folded search text.
template <class Captures, class Tags, class SearchText>
std::vector<std::size_t>
run(const Captures& captures, const LibraryFilter& filter, std::string_view search, SortOrder sort,
    const std::optional<std::string>& currentUserID, Tags&& tags, SearchText&& searchText) {
    const std::size_t n = captures.size();
    std::vector<std::size_t> shown;
    shown.reserve(n);
    const std::string needle = query(search);
    for (std::size_t i = 0; i < n; ++i) {
        if (!passes(captures[i], filter, tags(i), currentUserID))
            continue;
        if (!needle.empty() && searchText(i).find(needle) == std::string::npos)
            continue;
        shown.push_back(i);
    }

    // Keys by position, so that comparisons read a flat array rather than each capture.
    std::vector<double> created(n);
    for (std::size_t i : shown)
        created[i] = captures[i].createdAt;
    const auto newer = [&](std::size_t a, std::size_t b) {
        return created[a] > created[b];
    };
    switch (sort) {
    case SortOrder::newest:
        if (!std::is_sorted(shown.begin(), shown.end(), newer))
            std::stable_sort(shown.begin(), shown.end(), newer);
        break;
    case SortOrder::oldest:
        std::stable_sort(shown.begin(), shown.end(),
                         [&](std::size_t a, std::size_t b) { return created[a] < created[b]; });
        break;
    case SortOrder::priority: {
        std::vector<int> weight(n);
        for (std::size_t i : shown)
            weight[i] = sortWeight(captures[i].priority);
        std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) {
            return weight[a] != weight[b] ? weight[a] < weight[b] : newer(a, b);
        });
        break;
    }
    case SortOrder::app: {
        // UTF-8 byte order of composed text is code-point order.
        std::vector<std::string> keys(n);
        for (std::size_t i : shown) {
            const auto& name = captures[i].appName;
            keys[i] = name ? text::composed(*name) : absentAppKey();
        }
        std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) {
            const int order = keys[a].compare(keys[b]);
            return order != 0 ? order < 0 : newer(a, b);
        });
        break;
    }
    }
    return shown;
}

} // namespace

std::vector<std::size_t> apply(const std::vector<Capture>& captures, const LibraryFilter& filter,
                               std::string_view search, SortOrder sort,
                               const TagsByCapture& tagsByCapture,
                               const std::optional<std::string>& currentUserID) {
    static const std::vector<std::string> none;
    std::string buffer;
    return run(
        captures, filter, search, sort, currentUserID,
        [&](std::size_t i) { return tagsOf(captures[i], tagsByCapture); },
        [&](std::size_t i) -> const std::string& {
            const auto* tags = tagsOf(captures[i], tagsByCapture);
            buffer = foldedSearchText(captures[i], tags ? *tags : none);
            return buffer;
        });
}

std::vector<std::size_t> apply(const CaptureList& captures, const LibraryFilter& filter,
                               std::string_view search, SortOrder sort,
                               const std::optional<std::string>& currentUserID) {
    return run(
        captures, filter, search, sort, currentUserID,
        [&](std::size_t i) -> const std::vector<std::string>* { return &captures.item(i).tags; },
        [&](std::size_t i) -> const std::string& { return captures.item(i).searchText; });
}

} // namespace tavro::CaptureFilterEngine
