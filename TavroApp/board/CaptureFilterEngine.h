#pragma once

#include "board/LibraryFilter.h"
#include "board/SortOrder.h"
#include "library/CaptureList.h"
#include "model/Capture.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavro {

using TagsByCapture = std::unordered_map<std::string, std::vector<std::string>>;

// Turns the board's full capture list into the list it shows: filter, then search, then a stable
// sort. Holds nothing and reads nothing else.
namespace CaptureFilterEngine {

// The positions in `captures` of the captures shown, in the order shown.
std::vector<std::size_t> apply(const std::vector<Capture>& captures, const LibraryFilter& filter,
                               std::string_view search, SortOrder sort,
                               const TagsByCapture& tagsByCapture,
                               const std::optional<std::string>& currentUserID);
// The same over the published list, whose items carry their tags and folded search text.
std::vector<std::size_t> apply(const CaptureList& captures, const LibraryFilter& filter,
                               std::string_view search, SortOrder sort,
                               const std::optional<std::string>& currentUserID);

// The search field's text as the engine compares it: trimmed of white space and line breaks,
// then composed and lower-cased. Empty means no search runs.
std::string query(std::string_view search);

// Whether the search field's text runs a search; the empty state words itself by the same rule.
bool isSearching(std::string_view search);

// Whether apply() over the published list shows the item: it passes `filter` and its search text
// holds `needle`, a query() (empty: no search).
bool shows(const BoardItem& item, const LibraryFilter& filter, std::string_view needle,
           const std::optional<std::string>& currentUserID);

// Whether apply() over a list in board order (boardOrder), as the published list is, puts `a`
// before `b` under `sort`: a strict total order over the captures of one list.
bool precedes(const BoardCapture& a, const BoardCapture& b, SortOrder sort);

// Whether the capture passes `filter`, before any search.
bool matches(const Capture& capture, const LibraryFilter& filter,
             const TagsByCapture& tagsByCapture, const std::optional<std::string>& currentUserID);

} // namespace CaptureFilterEngine

} // namespace tavro
