#include "board/CaptureFilterEngine.h"

#include "model/Text.h"

#include <algorithm>

namespace tavro::CaptureFilterEngine {

namespace {

template <class Record>
const std::vector<std::string>* tagsOf(const Record& capture, const TagsByCapture& tags) {
    const auto found = tags.find(capture.id);
    return found == tags.end() ? nullptr : &found->second;
}

template <class Text> bool sameText(const Text& a, const std::optional<std::string>& b) {
    return a && b && text::canonicallyEqual(*a, *b);
}

template <class Record>
bool passes(const Record& capture, const LibraryFilter& filter,
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

bool shows(const BoardItem& item, const LibraryFilter& filter, std::string_view needle,
           const std::optional<std::string>& currentUserID) {
    if (!passes(item.capture, filter, &item.tags, currentUserID))
        return false;
    return needle.empty() ||
           foldedSearchText(item.capture, item.tags).find(needle) != std::string::npos;
}

bool precedes(const BoardCapture& a, const BoardCapture& b, SortOrder sort) {
    // The stable sorts of apply() keep board order among equal keys: newest first, then by id.
    switch (sort) {
    case SortOrder::newest:
        break;
    case SortOrder::oldest:
        if (a.createdAt != b.createdAt)
            return a.createdAt < b.createdAt;
        return a.id < b.id;
    case SortOrder::priority:
        if (sortWeight(a.priority) != sortWeight(b.priority))
            return sortWeight(a.priority) < sortWeight(b.priority);
        break;
    case SortOrder::app: {
        const auto key = [](const BoardCapture& c) {
            return c.appName ? text::composed(*c.appName) : absentAppKey();
        };
        if (const int order = key(a).compare(key(b)); order != 0)
            return order < 0;
        break;
    }
    }
    return boardOrder(a, b);
}

namespace {

// Orders the positions `shown` as `sort` asks, stably; keys are read for those positions only.
// `newestFirst`: the captures are already newest first, as the published list is.
template <class Captures>
void sortShown(const Captures& captures, std::vector<std::size_t>& shown, SortOrder sort,
               bool newestFirst) {
    if (sort == SortOrder::newest && newestFirst)
        return;
    struct Keyed {
        double created;
        int weight;
        std::size_t position;
        // The app sort's key, by its place in `names`.
        std::size_t name = 0;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(shown.size());
    for (std::size_t i : shown)
        keyed.push_back({captures[i].createdAt, sortWeight(captures[i].priority), i});
    const auto newer = [](const Keyed& a, const Keyed& b) {
        return a.created > b.created;
    };
    switch (sort) {
    case SortOrder::newest:
        if (std::is_sorted(keyed.begin(), keyed.end(), newer))
            return;
        std::stable_sort(keyed.begin(), keyed.end(), newer);
        break;
    case SortOrder::oldest:
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const Keyed& a, const Keyed& b) { return a.created < b.created; });
        break;
    case SortOrder::priority:
        std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
            return a.weight != b.weight ? a.weight < b.weight : newer(a, b);
        });
        break;
    case SortOrder::app: {
        // UTF-8 byte order of composed text is code-point order.
        std::vector<std::string> names(keyed.size());
        for (std::size_t k = 0; k < keyed.size(); ++k) {
            const auto& name = captures[keyed[k].position].appName;
            names[k] = name ? text::composed(*name) : absentAppKey();
            keyed[k].name = k;
        }
        std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
            const int order = names[a.name].compare(names[b.name]);
            return order != 0 ? order < 0 : newer(a, b);
        });
        break;
    }
    }
    for (std::size_t k = 0; k < keyed.size(); ++k)
        shown[k] = keyed[k].position;
}

} // namespace

std::vector<std::size_t> apply(const std::vector<Capture>& captures, const LibraryFilter& filter,
                               std::string_view search, SortOrder sort,
                               const TagsByCapture& tagsByCapture,
                               const std::optional<std::string>& currentUserID) {
    static const std::vector<std::string> none;
    const std::string needle = query(search);
    std::vector<std::size_t> shown;
    std::string text;
    for (std::size_t i = 0; i < captures.size(); ++i) {
        const auto* tags = tagsOf(captures[i], tagsByCapture);
        if (!passes(captures[i], filter, tags, currentUserID))
            continue;
        if (!needle.empty()) {
            text.clear();
            appendFoldedSearchText(text, captures[i], tags ? *tags : none);
            if (text.find(needle) == std::string::npos)
                continue;
        }
        shown.push_back(i);
    }
    sortShown(captures, shown, sort, false);
    return shown;
}

std::vector<std::size_t> apply(const CaptureList& captures, const LibraryFilter& filter,
                               std::string_view search, SortOrder sort,
                               const std::optional<std::string>& currentUserID) {
    const std::string needle = query(search);
    const auto passing = [&](std::size_t i) {
        return passes(captures[i], filter, &captures.item(i).tags, currentUserID);
    };
    std::vector<std::size_t> shown;
    if (needle.empty()) {
        shown.reserve(captures.size());
        for (std::size_t i = 0; i < captures.size(); ++i)
            if (passing(i))
                shown.push_back(i);
    } else {
        // The search first: it reads one buffer, where the filter reads every capture.
        shown = captures.matching(needle);
        if (filter.kind() != LibraryFilter::Kind::everything)
            std::erase_if(shown, [&](std::size_t i) { return !passing(i); });
    }
    sortShown(captures, shown, sort, captures.newestFirst());
    return shown;
}

} // namespace tavro::CaptureFilterEngine
