#include "library/AccountRecords.h"

#include "library/LibraryState.h"
#include "store/CaptureStore.h"
#include "store/Database.h"

namespace tavro {

namespace {

std::optional<Person> signedInUser(const CaptureStore& store) {
    const auto userID = store.syncMeta("user_id");
    if (!userID)
        return std::nullopt;
    if (auto person = store.person(*userID))
        return person;
    Person user;
    user.id = *userID;
    user.name = store.syncMeta("user_name").value_or("You");
    user.email = store.syncMeta("user_email");
    user.kind = "person";
    return user;
}

std::int64_t localCaptureCount(const CaptureStore& store) {
    const auto rows = store.db().query("SELECT COUNT(*) AS n FROM captures WHERE workspace_id IS "
                                       "NULL AND deleted_at IS NULL;");
    return rows.empty() ? 0 : rows.front().intValue("n").value_or(0);
}

int localIn(const LibraryState& state, const std::string& captureID) {
    const BoardItem* item = state.captures.find(captureID);
    return item && !item->capture.workspaceID ? 1 : 0;
}

std::int64_t localCaptureCount(const CaptureStore& store, const LibraryState& previous,
                               const LibraryState& next) {
    if (previous.changeCounter == next.changeCounter)
        return previous.account.localCaptureCount;
    // The log may also name captures changed after `next` was read; both states hold those
    // alike, so they move nothing.
    const auto changes = store.changesSince(previous.changeCounter);
    if (!changes)
        return localCaptureCount(store);
    std::int64_t count = previous.account.localCaptureCount;
    for (const std::string& id : changes->captureIDs)
        count += localIn(next, id) - localIn(previous, id);
    return count;
}

AccountRecords readOthers(const CaptureStore& store, std::int64_t logLimit) {
    AccountRecords records;
    records.me = signedInUser(store);
    records.defaultWorkspaceID = store.syncMeta("default_workspace_id");
    for (const CaptureStore::SyncLogLine& line : store.syncLog(logLimit))
        records.log.push_back({line.id, line.at, line.level, line.message});
    return records;
}

} // namespace

AccountRecords readAccountRecords(const CaptureStore& store, std::int64_t logLimit) {
    AccountRecords records = readOthers(store, logLimit);
    records.localCaptureCount = localCaptureCount(store);
    return records;
}

AccountRecords readAccountRecords(const CaptureStore& store, const LibraryState& previous,
                                  const LibraryState& next) {
    AccountRecords records = readOthers(store, AccountRecords::logLimit);
    records.localCaptureCount = localCaptureCount(store, previous, next);
    return records;
}

} // namespace tavro
