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

// The note, application, window title, URL and tags, one space between each, folded part by
// part so that only the parts beyond ASCII pay for Unicode case mapping.
const std::string& searchText(const Capture& capture, const std::vector<std::string>* tags,
                              std::string& buffer) {
    buffer.clear();
    text::appendFoldedForSearch(buffer, capture.note);
    for (const auto* part : {&capture.appName, &capture.windowTitle, &capture.url}) {
        buffer += ' ';
        if (*part)
            text::appendFoldedForSearch(buffer, **part);
    }
    buffer += ' ';
    if (tags) {
        for (size_t i = 0; i < tags->size(); ++i) {
            if (i > 0)
                buffer += ' ';
            text::appendFoldedForSearch(buffer, (*tags)[i]);
        }
    }
    return buffer;
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
    switch (filter.kind()) {
    case LibraryFilter::Kind::status:
        return capture.status == filter.statusValue();
    case LibraryFilter::Kind::group:
        return capture.groupID && text::canonicallyEqual(*capture.groupID, filter.text());
    case LibraryFilter::Kind::tag: {
        const auto* tags = tagsOf(capture, tagsByCapture);
        return tags && std::any_of(tags->begin(), tags->end(), [&](const std::string& tag) {
                   return text::canonicallyEqual(tag, filter.text());
               });
    }
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

std::vector<std::size_t> apply(const std::vector<Capture>& captures, const LibraryFilter& filter,
                               std::string_view search, SortOrder sort,
                               const TagsByCapture& tagsByCapture,
                               const std::optional<std::string>& currentUserID) {
    std::vector<std::size_t> shown;
    shown.reserve(captures.size());
    const std::string needle = query(search);
    std::string buffer;
    for (std::size_t i = 0; i < captures.size(); ++i) {
        const Capture& capture = captures[i];
        if (!matches(capture, filter, tagsByCapture, currentUserID))
            continue;
        if (!needle.empty() &&
            searchText(capture, tagsOf(capture, tagsByCapture), buffer).find(needle) ==
                std::string::npos)
            continue;
        shown.push_back(i);
    }

    const auto newer = [&](std::size_t a, std::size_t b) {
        return captures[a].createdAt > captures[b].createdAt;
    };
    switch (sort) {
    case SortOrder::newest:
        std::stable_sort(shown.begin(), shown.end(), newer);
        break;
    case SortOrder::oldest:
        std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) {
            return captures[a].createdAt < captures[b].createdAt;
        });
        break;
    case SortOrder::priority:
        std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) {
            const int left = sortWeight(captures[a].priority);
            const int right = sortWeight(captures[b].priority);
            return left != right ? left < right : newer(a, b);
        });
        break;
    case SortOrder::app: {
        // UTF-8 byte order of composed text is code-point order.
        std::vector<std::string> keys(captures.size());
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

} // namespace tavro::CaptureFilterEngine
