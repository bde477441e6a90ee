#include "shell/BoardItem.h"

#include "model/Text.h"

namespace tavro {

BoardItem BoardItem::make(Capture capture, std::vector<std::string> tags, std::int64_t comments,
                          std::int64_t images) {
    BoardItem item{std::move(capture), std::move(tags), comments, images, {}};
    item.searchText = foldedSearchText(item.capture, item.tags);
    return item;
}

// Folded part by part, so that only the parts beyond ASCII pay for Unicode case mapping.
std::string foldedSearchText(const Capture& capture, const std::vector<std::string>& tags) {
    std::string out;
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
    return out;
}

bool boardOrder(const Capture& a, const Capture& b) {
    if (a.createdAt != b.createdAt)
        return a.createdAt > b.createdAt;
    return a.id < b.id;
}

} // namespace tavro
