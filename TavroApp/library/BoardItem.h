#pragma once

#include "library/BoardCapture.h"
#include "model/Capture.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavro {

// One live capture as the board shows it: the record with its tags and counts. The list that
// holds it keeps the text a search looks in, folded once when the capture is read rather than on
// every keystroke.
struct BoardItem {
    BoardCapture capture;
    // Ordered without regard to ASCII letter case.
    std::vector<std::string> tags;
    std::int64_t comments = 0;
    // Live screenshots.
    std::int64_t images = 0;

    bool operator==(const BoardItem&) const = default;

    static BoardItem make(Capture capture, std::vector<std::string> tags = {},
                          std::int64_t comments = 0, std::int64_t images = 0);
};

// The note, application, window title, URL and tags, one space between each, folded for search.
// For a Capture or a BoardCapture.
template <class Record>
std::string foldedSearchText(const Record& capture, const std::vector<std::string>& tags);
template <class Record>
void appendFoldedSearchText(std::string& out, const Record& capture,
                            const std::vector<std::string>& tags);
// The length of that text before folding, which for ASCII text is its length after.
template <class Record>
std::size_t searchTextLength(const Record& capture, const std::vector<std::string>& tags);

// Newest first; captures of the same moment by id, so that the order is total.
template <class Record> bool boardOrder(const Record& a, const Record& b) {
    if (a.createdAt != b.createdAt)
        return a.createdAt > b.createdAt;
    return a.id < b.id;
}

} // namespace tavro
