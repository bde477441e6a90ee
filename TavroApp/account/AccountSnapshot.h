#pragma once

#include "model/BoardRecords.h"
#include "store/CaptureStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// What the account shows of the library: the signed-in user, the workspaces, the default one,
// the captures filed in none, and the newest sync log lines.
struct AccountSnapshot {
    std::optional<Person> me;
    std::vector<Workspace> workspaces;
    std::optional<std::string> defaultWorkspaceID;
    std::int64_t localCaptureCount = 0;
    std::vector<CaptureStore::SyncLogLine> log;
};

// Each read that fails leaves its own part empty and the others as read. Without a stored user
// id there is no user; one the people table lacks is built from the stored name ("You" when
// none) and e-mail.
AccountSnapshot readAccountSnapshot(const CaptureStore& store, std::int64_t logLimit);

} // namespace tavro
