#include "shell/AccountRecords.h"

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

} // namespace

AccountRecords readAccountRecords(const CaptureStore& store, std::int64_t logLimit) {
    AccountRecords records;
    records.me = signedInUser(store);
    records.defaultWorkspaceID = store.syncMeta("default_workspace_id");
    records.localCaptureCount = localCaptureCount(store);
    records.log = store.syncLog(logLimit);
    return records;
}

} // namespace tavro
