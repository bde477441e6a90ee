#pragma once

#include "model/BoardRecords.h"
#include "model/Time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class CaptureStore;
struct LibraryState;

// One line of the sync log, as the account shows it.
struct SyncLogLine {
    std::int64_t id = 0;
    Seconds at = 0;
    std::string level;
    std::string message;

    bool operator==(const SyncLogLine&) const = default;
};

// What the library holds of the account it is signed in to, besides the workspaces: read with
// the board, so that the account's figures and the board come from the same reader.
struct AccountRecords {
    static constexpr std::int64_t logLimit = 60;

    // Without a stored user id there is no user; one the people table lacks is built from the
    // stored name ("You" when none) and e-mail.
    std::optional<Person> me;
    std::optional<std::string> defaultWorkspaceID;
    // Live captures filed in no workspace.
    std::int64_t localCaptureCount = 0;
    // The newest sync log lines, newest first.
    std::vector<SyncLogLine> log;

    bool operator==(const AccountRecords&) const = default;
};

// At most `logLimit` log lines. Throws what the store throws.
AccountRecords readAccountRecords(const CaptureStore& store,
                                  std::int64_t logLimit = AccountRecords::logLimit);
// The same for `next`, which the reader has just brought up to date from `previous`: the local
// captures are counted again only when the store's change log cannot say which captures moved
// since `previous`; otherwise `previous`'s count moves by those captures as the two states hold
// them, so that a read costs what changed.
AccountRecords readAccountRecords(const CaptureStore& store, const LibraryState& previous,
                                  const LibraryState& next);

} // namespace tavro
