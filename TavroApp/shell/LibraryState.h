#pragma once

#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavro {

class CaptureStore;

// The library's published values, each of which views can watch for changes.
enum class LibraryProperty {
    captures,
    groups,
    counts,
    tagsByCapture,
    commentCounts,
    allTags,
    imageCounts,
    loadError,
    people,
    workspaces,
    currentUserID,
};

// Everything one reload read, as the views see it. Published whole and never changed after.
struct LibraryState {
    // Newest first, high priority first, at most the reload limit.
    std::vector<Capture> captures;
    std::vector<CaptureGroup> groups;
    std::map<CaptureStatus, std::int64_t> counts;
    // Only captures in `captures` that have tags.
    std::unordered_map<std::string, std::vector<std::string>> tagsByCapture;
    std::unordered_map<std::string, std::int64_t> commentCounts;
    std::vector<std::string> allTags;
    std::unordered_map<std::string, std::int64_t> imageCounts;
    std::vector<Person> people;
    std::vector<Workspace> workspaces;
    std::optional<std::string> currentUserID;
    // The store's change stamp read before the rest.
    std::string stamp;

    bool operator==(const LibraryState&) const = default;

    // Reads the board in one read transaction, so every value comes from the same moment.
    // Throws what the store throws.
    static LibraryState read(CaptureStore& store, int limit);
};

// The published values (loadError aside) in which `after` differs from `before`.
std::vector<LibraryProperty> differences(const LibraryState& before, const LibraryState& after);

} // namespace tavro
