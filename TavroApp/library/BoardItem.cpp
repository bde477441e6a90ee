#include "library/BoardItem.h"

#include "model/Text.h"

namespace tavro {

BoardItem BoardItem::make(Capture capture, std::vector<std::string> tags, std::int64_t comments,
                          std::int64_t images) {
    SharedTexts texts;
    return BoardItem{BoardCapture(std::move(capture), texts), std::move(tags), comments, images};
}

template <class Record>
std::string foldedSearchText(const Record& capture, const std::vector<std::string>& tags) {
    std::string out;
    appendFoldedSearchText(out, capture, tags);
    return out;
}

// Folded part by part, so that only the parts beyond ASCII pay for Unicode case mapping.
template <class Record>
void appendFoldedSearchText(std::string& out, const Record& capture,
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

template <class Record>
std::size_t searchTextLength(const Record& capture, const std::vector<std::string>& tags) {
    std::size_t length = capture.note.size() + 4;
    for (const auto* part : {&capture.appName, &capture.windowTitle, &capture.url})
        if (*part)
            length += (*part)->size();
    for (const std::string& tag : tags)
        length += tag.size() + 1;
    return length;
}

template std::string foldedSearchText(const Capture&, const std::vector<std::string>&);
template std::string foldedSearchText(const BoardCapture&, const std::vector<std::string>&);
template void appendFoldedSearchText(std::string&, const Capture&, const std::vector<std::string>&);
template void appendFoldedSearchText(std::string&, const BoardCapture&,
                                     const std::vector<std::string>&);
template std::size_t searchTextLength(const Capture&, const std::vector<std::string>&);
template std::size_t searchTextLength(const BoardCapture&, const std::vector<std::string>&);

} // namespace tavro
