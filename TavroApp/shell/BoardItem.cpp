#include "shell/BoardItem.h"

#include "model/Text.h"

namespace tavro {

BoardItem BoardItem::make(Capture capture, std::vector<std::string> tags, std::int64_t comments,
                          std::int64_t images) {
    return BoardItem{std::move(capture), std::move(tags), comments, images};
}

std::string foldedSearchText(const Capture& capture, const std::vector<std::string>& tags) {
    std::string out;
    appendFoldedSearchText(out, capture, tags);
    return out;
}

// Folded part by part, so that only the parts beyond ASCII pay for Unicode case mapping.
void appendFoldedSearchText(std::string& out, const Capture& capture,
                            const std::vector<std::string>& tags) {
    text::appendFoldedForSearch(out, capture.note);
    for (const auto* part : {&capture.appName, &capture.windowTitle, &capture.url}) {
        out += ' ';
        if (*part)
            text::appendFoldedForSearch(out, **part);
    }
    out += ' ';
    for (size_t i = 0; i < tags.size(); ++i) {
        if (i > 0)
            out += ' ';
        text::appendFoldedForSearch(out, tags[i]);
    }
}

std::size_t searchTextLength(const Capture& capture, const std::vector<std::string>& tags) {
    std::size_t length = capture.note.size() + 4;
    for (const auto* part : {&capture.appName, &capture.windowTitle, &capture.url})
        if (*part)
            length += (*part)->size();
    for (const std::string& tag : tags)
        length += tag.size() + 1;
    return length;
}

bool boardOrder(const Capture& a, const Capture& b) {
    if (a.createdAt != b.createdAt)
        return a.createdAt > b.createdAt;
    return a.id < b.id;
}

} // namespace tavro
