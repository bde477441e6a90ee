#include "account/AccountSnapshot.h"

namespace tavro {

namespace {

template <typename Read> auto orDefault(Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const std::exception&) {
        // A figure of the account pane that cannot be read shows as none; sync reports its
        // own failures.
        return {};
    }
}

std::optional<Person> signedInUser(const CaptureStore& store) {
    auto meta = [&store](std::string_view key) {
        return orDefault([&] { return store.syncMeta(key); });
    };
    const auto userID = meta("user_id");
    if (!userID)
        return std::nullopt;
    if (auto person = orDefault([&] { return store.person(*userID); }))
        return person;
    Person user;
    user.id = *userID;
    user.name = meta("user_name").value_or("You");
    user.email = meta("user_email");
    user.kind = "person";
    return user;
}

} // namespace

AccountSnapshot readAccountSnapshot(const CaptureStore& store, std::int64_t logLimit) {
    AccountSnapshot snapshot;
    snapshot.me = signedInUser(store);
    snapshot.workspaces = orDefault([&] { return store.workspaces(); });
    snapshot.defaultWorkspaceID = orDefault([&] { return store.syncMeta("default_workspace_id"); });
    snapshot.localCaptureCount =
        orDefault([&] { return static_cast<std::int64_t>(store.localCaptures().size()); });
    snapshot.log = orDefault([&] { return store.syncLog(logLimit); });
    return snapshot;
}

} // namespace tavro
