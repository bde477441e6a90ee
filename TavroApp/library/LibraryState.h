#pragma once

#include "library/AccountRecords.h"
#include "library/CaptureList.h"
#include "library/PublishedIndex.h"
#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
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
    account,
};

// Everything the reader read, as the views see it. Published whole and never changed after; a
// state read after a few changes shares the captures that did not change with the one before.
struct LibraryState {
    // Every live capture, newest first.
    CaptureList captures;
    std::vector<CaptureGroup> groups;
    // Live captures per status; statuses without any are left out.
    std::map<CaptureStatus, std::int64_t> counts;
    std::vector<std::string> allTags;
    std::vector<Person> people;
    std::vector<Workspace> workspaces;
    std::optional<std::string> currentUserID;
    // Open and in-progress captures assigned to the signed-in user.
    std::int64_t assignedToMe = 0;
    // Live captures per tag name.
    std::map<std::string, std::int64_t> tagUses;
    // Open and in-progress captures per group id.
    std::map<std::string, std::int64_t, std::less<>> activeByGroup;
    // Positions in `groups` and `people` by id, for group() and person().
    PublishedIndex groupIndex;
    PublishedIndex personIndex;
    // The store's change counter as of the read.
    std::int64_t changeCounter = 0;
    // Read by the reader beside the board; read() and update() leave it empty.
    AccountRecords account;
    // Whether `captures` holds every live capture. Not in a state of the newest captures
    // only, whose figures above (activeByGroup aside, left empty) are still the whole board's,
    // nor in the empty state published before the first read.
    bool complete = true;

    PublishedTags tagsByCapture() const { return PublishedTags(captures); }
    PublishedCommentCounts commentCounts() const { return PublishedCommentCounts(captures); }
    PublishedImageCounts imageCounts() const { return PublishedImageCounts(captures); }
    // The group or person with this id, or null.
    const CaptureGroup* group(std::string_view id) const { return groupIndex.find(groups, id); }
    const Person* person(std::string_view id) const { return personIndex.find(people, id); }

    bool operator==(const LibraryState& other) const;

    // Reads the whole board in one read transaction, so every value comes from the same moment.
    // Throws what the store throws.
    static LibraryState read(CaptureStore& store);
    // The `count` newest captures with the whole board's figures, in one read transaction; the
    // whole board, complete, when it holds no more. Throws what the store throws.
    static LibraryState readNewest(CaptureStore& store, std::size_t count);
    // A complete `previous` brought up to date by reading only what the store's change log says
    // moved since it was read; nothing when the log cannot say, and the whole board must be read
    // instead. `moved` gets the ids of the captures read again (added, changed or removed).
    // Throws what the store throws.
    static std::optional<LibraryState> update(const LibraryState& previous, CaptureStore& store,
                                              std::vector<std::string>* moved = nullptr);
};

// The published values (loadError aside) in which `after` differs from `before`.
std::vector<LibraryProperty> differences(const LibraryState& before, const LibraryState& after);

} // namespace tavro
