#include "library/LibraryState.h"

#include "store/CaptureStore.h"
#include "store/ReadSnapshot.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <unordered_map>

namespace tavro {

namespace {

template <class T>
void note(std::vector<LibraryProperty>& changed, const T& before, const T& after,
          LibraryProperty property) {
    if (!(before == after))
        changed.push_back(property);
}

using TagsByID = std::unordered_map<std::string, std::vector<std::string>>;
using CountsByID = std::unordered_map<std::string, std::int64_t>;

CaptureList::Item itemOf(Capture&& capture, SharedTexts& texts, TagsByID& tags,
                         const CountsByID& comments, const CountsByID& images) {
    std::vector<std::string> itsTags;
    if (auto found = tags.find(capture.id); found != tags.end())
        itsTags = std::move(found->second);
    const auto count = [&](const CountsByID& counts) {
        const auto found = counts.find(capture.id);
        return found == counts.end() ? std::int64_t(0) : found->second;
    };
    const std::int64_t commented = count(comments);
    const std::int64_t imaged = count(images);
    itsTags.shrink_to_fit();
    return std::make_shared<const BoardItem>(
        BoardItem{BoardCapture(std::move(capture), texts), std::move(itsTags), commented, imaged});
}

std::vector<CaptureList::Item> itemsOf(CaptureStore::BoardRows rows) {
    std::vector<CaptureList::Item> items;
    items.reserve(rows.captures.size());
    SharedTexts texts;
    for (Capture& capture : rows.captures)
        items.push_back(itemOf(std::move(capture), texts, rows.tags, rows.comments, rows.images));
    return items;
}

// Adds a capture to the state's figures (sign +1) or takes it out of them (sign -1).
void tally(LibraryState& state, const BoardItem& item, int sign) {
    const BoardCapture& capture = item.capture;
    if ((state.counts[capture.status] += sign) <= 0)
        state.counts.erase(capture.status);
    for (const std::string& tag : item.tags)
        if ((state.tagUses[tag] += sign) <= 0)
            state.tagUses.erase(tag);
    if (state.currentUserID && capture.assigneeID == state.currentUserID &&
        isActive(capture.status))
        state.assignedToMe += sign;
    if (capture.groupID && isActive(capture.status)) {
        const auto group = state.activeByGroup.try_emplace(*capture.groupID, 0).first;
        if ((group->second += sign) <= 0)
            state.activeByGroup.erase(group);
    }
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// Ordered as the store orders names: ASCII letter case ignored.
std::vector<std::string> tagNames(const std::map<std::string, std::int64_t>& uses) {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(uses.size());
    for (const auto& [name, count] : uses)
        keyed.emplace_back(asciiLower(name), name);
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> names;
    names.reserve(keyed.size());
    for (auto& [key, name] : keyed)
        names.push_back(std::move(name));
    return names;
}

void readOthers(LibraryState& state, CaptureStore& store) {
    state.groups = store.groups();
    state.people = store.assignableCandidates();
    state.workspaces = store.workspaces();
    state.currentUserID = store.currentUserID();
    state.groupIndex = PublishedIndex(state.groups);
    state.personIndex = PublishedIndex(state.people);
}

void countAssigned(LibraryState& state) {
    state.assignedToMe = 0;
    if (!state.currentUserID)
        return;
    for (const BoardCapture& capture : state.captures)
        if (capture.assigneeID == state.currentUserID && isActive(capture.status))
            ++state.assignedToMe;
}

CaptureList inBoardOrder(std::vector<CaptureList::Item> items) {
    std::sort(items.begin(), items.end(),
              [](const CaptureList::Item& a, const CaptureList::Item& b) {
                  return boardOrder(a->capture, b->capture);
              });
    return CaptureList::ordered(std::move(items));
}

// The whole board, inside the caller's read transaction.
LibraryState readWhole(CaptureStore& store) {
    LibraryState state;
    state.changeCounter = store.changeCounter();
    readOthers(state, store);
    // Each capture goes into its item as it is read: no second copy of the board on the way.
    TagsByID tags = store.tagsByCapture();
    const CountsByID comments = store.commentCounts();
    const CountsByID images = store.imageCounts();
    std::vector<CaptureList::Item> items;
    SharedTexts texts;
    store.forEachLiveCapture([&](Capture&& capture) {
        items.push_back(itemOf(std::move(capture), texts, tags, comments, images));
    });
    state.captures = inBoardOrder(std::move(items));
    for (const auto& item : state.captures.items())
        tally(state, *item, +1);
    state.allTags = tagNames(state.tagUses);
    return state;
}

} // namespace

LibraryState LibraryState::read(CaptureStore& store) {
    ReadSnapshot snapshot(store.db());
    return readWhole(store);
}

LibraryState LibraryState::readNewest(CaptureStore& store, std::size_t count) {
    ReadSnapshot snapshot(store.db());
    const std::vector<std::string> newest = store.newestCaptureIDs(std::int64_t(count) + 1);
    if (newest.size() <= count)
        return readWhole(store);
    LibraryState state;
    state.complete = false;
    state.changeCounter = store.changeCounter();
    readOthers(state, store);
    const std::set<std::string> ids(newest.begin(), newest.end() - 1);
    auto items = itemsOf(store.boardRows(&ids));
    state.captures = inBoardOrder(std::move(items));
    // The figures are the whole board's, so that no count the window shows moves when the rest
    // of the board arrives.
    state.counts = store.countsByStatus();
    state.tagUses = store.tagUses();
    state.allTags = tagNames(state.tagUses);
    if (state.currentUserID) {
        CaptureQuery assigned;
        assigned.assigneeID = state.currentUserID;
        assigned.statuses =
            std::vector<CaptureStatus>(activeStatuses.begin(), activeStatuses.end());
        state.assignedToMe = store.countCaptures(assigned);
    }
    return state;
}

std::optional<LibraryState> LibraryState::update(const LibraryState& previous, CaptureStore& store,
                                                 std::vector<std::string>* moved) {
    ReadSnapshot snapshot(store.db());
    auto changes = store.changesSince(previous.changeCounter);
    // Past a quarter of the board, reading it whole costs about the same.
    if (!changes ||
        changes->captureIDs.size() > std::max<std::size_t>(1000, previous.captures.size() / 4))
        return std::nullopt;
    LibraryState state;
    state.changeCounter = changes->counter;
    if (changes->others) {
        readOthers(state, store);
    } else {
        state.groups = previous.groups;
        state.people = previous.people;
        state.workspaces = previous.workspaces;
        state.currentUserID = previous.currentUserID;
        state.groupIndex = previous.groupIndex;
        state.personIndex = previous.personIndex;
    }
    state.counts = previous.counts;
    state.tagUses = previous.tagUses;
    state.activeByGroup = previous.activeByGroup;
    state.assignedToMe = previous.assignedToMe;
    for (const std::string& id : changes->captureIDs)
        if (const BoardItem* gone = previous.captures.find(id))
            tally(state, *gone, -1);
    auto items = itemsOf(store.boardRows(&changes->captureIDs));
    for (const auto& item : items)
        tally(state, *item, +1);
    state.captures = previous.captures.replacing(changes->captureIDs, std::move(items));
    if (state.currentUserID != previous.currentUserID)
        countAssigned(state);
    if (state.tagUses != previous.tagUses)
        state.allTags = tagNames(state.tagUses);
    else
        state.allTags = previous.allTags;
    if (moved)
        moved->assign(changes->captureIDs.begin(), changes->captureIDs.end());
    return state;
}

bool LibraryState::operator==(const LibraryState& other) const {
    const auto& mine = captures.items();
    const auto& theirs = other.captures.items();
    if (mine.size() != theirs.size())
        return false;
    for (std::size_t i = 0; i < mine.size(); ++i)
        if (mine[i] != theirs[i] && !(*mine[i] == *theirs[i]))
            return false;
    return groups == other.groups && counts == other.counts && allTags == other.allTags &&
           people == other.people && workspaces == other.workspaces &&
           currentUserID == other.currentUserID && assignedToMe == other.assignedToMe &&
           tagUses == other.tagUses && changeCounter == other.changeCounter &&
           account == other.account && complete == other.complete;
}

std::vector<LibraryProperty> differences(const LibraryState& before, const LibraryState& after) {
    std::vector<LibraryProperty> changed;
    // A list that became whole changed, whether the captures it held did or not.
    if (before.complete != after.complete || !(before.captures == after.captures))
        changed.push_back(LibraryProperty::captures);
    note(changed, before.groups, after.groups, LibraryProperty::groups);
    note(changed, before.counts, after.counts, LibraryProperty::counts);
    note(changed, before.tagsByCapture(), after.tagsByCapture(), LibraryProperty::tagsByCapture);
    note(changed, before.commentCounts(), after.commentCounts(), LibraryProperty::commentCounts);
    note(changed, before.allTags, after.allTags, LibraryProperty::allTags);
    note(changed, before.imageCounts(), after.imageCounts(), LibraryProperty::imageCounts);
    note(changed, before.people, after.people, LibraryProperty::people);
    note(changed, before.workspaces, after.workspaces, LibraryProperty::workspaces);
    note(changed, before.currentUserID, after.currentUserID, LibraryProperty::currentUserID);
    note(changed, before.account, after.account, LibraryProperty::account);
    return changed;
}

} // namespace tavro
