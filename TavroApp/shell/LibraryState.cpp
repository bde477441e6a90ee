#include "shell/LibraryState.h"

#include "model/CaptureQuery.h"
#include "store/CaptureStore.h"

#include <exception>

namespace tavro {

namespace {

// A deferred transaction takes no lock until the first read, and then only a snapshot: writers
// in other programs carry on meanwhile (the library file is in WAL mode).
class ReadSnapshot {
public:
    explicit ReadSnapshot(Database& db)
        : db_(db) {
        db_.executeRaw("BEGIN DEFERRED TRANSACTION;");
    }
    ~ReadSnapshot() {
        try {
            db_.executeRaw("COMMIT;");
        } catch (const std::exception&) {
            // Nothing was written: ending the read cannot lose anything, and the next read
            // begins its own transaction only if this one is gone.
            try {
                db_.executeRaw("ROLLBACK;");
            } catch (const std::exception&) {
                // The connection has no transaction open any more, which is all that matters.
            }
        }
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Database& db_;
};

template <class T>
void note(std::vector<LibraryProperty>& changed, const T& before, const T& after,
          LibraryProperty property) {
    if (!(before == after))
        changed.push_back(property);
}

} // namespace

LibraryState LibraryState::read(CaptureStore& store, int limit) {
    ReadSnapshot snapshot(store.db());
    LibraryState state;
    state.stamp = store.changeStamp();
    CaptureQuery everything;
    everything.limit = limit;
    everything.offset = 0;
    everything.newestFirst = true;
    state.captures = store.captures(everything);
    state.groups = store.groups();
    state.counts = store.countsByStatus();
    state.commentCounts = store.commentCounts();
    state.imageCounts = store.imageCounts();
    state.allTags = store.allTags();
    state.people = store.assignableCandidates();
    state.workspaces = store.workspaces();
    state.currentUserID = store.currentUserID();

    // One query for the whole board rather than one per capture, kept to the captures shown.
    auto every = store.tagsByCapture();
    for (const Capture& capture : state.captures)
        if (auto it = every.find(capture.id); it != every.end())
            state.tagsByCapture.emplace(capture.id, std::move(it->second));
    return state;
}

std::vector<LibraryProperty> differences(const LibraryState& before, const LibraryState& after) {
    std::vector<LibraryProperty> changed;
    note(changed, before.captures, after.captures, LibraryProperty::captures);
    note(changed, before.groups, after.groups, LibraryProperty::groups);
    note(changed, before.counts, after.counts, LibraryProperty::counts);
    note(changed, before.tagsByCapture, after.tagsByCapture, LibraryProperty::tagsByCapture);
    note(changed, before.commentCounts, after.commentCounts, LibraryProperty::commentCounts);
    note(changed, before.allTags, after.allTags, LibraryProperty::allTags);
    note(changed, before.imageCounts, after.imageCounts, LibraryProperty::imageCounts);
    note(changed, before.people, after.people, LibraryProperty::people);
    note(changed, before.workspaces, after.workspaces, LibraryProperty::workspaces);
    note(changed, before.currentUserID, after.currentUserID, LibraryProperty::currentUserID);
    return changed;
}

} // namespace tavro
