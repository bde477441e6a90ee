#pragma once

#include "model/Capture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavro {

// One live capture as the board shows it: the record with its tags and counts, and the text a
// search looks in, folded once when the capture is read rather than on every keystroke.
struct BoardItem {
    Capture capture;
    // Ordered without regard to ASCII letter case.
    std::vector<std::string> tags;
    std::int64_t comments = 0;
    // Live screenshots.
    std::int64_t images = 0;
    std::string searchText;

    bool operator==(const BoardItem&) const = default;

    static BoardItem make(Capture capture, std::vector<std::string> tags = {},
                          std::int64_t comments = 0, std::int64_t images = 0);
};

// The note, application, window title, URL and tags, one space between each, folded for search.
std::string foldedSearchText(const Capture& capture, const std::vector<std::string>& tags);

// Newest first; captures of the same moment by id, so that the order is total.
bool boardOrder(const Capture& a, const Capture& b);

} // namespace tavro
