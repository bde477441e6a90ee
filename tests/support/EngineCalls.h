#pragma once

#include "sync/SyncEngine.h"

#include <future>
#include <optional>
#include <string>
#include <vector>

namespace tavro::test {

// The engine's calls, waited for: each starts the call that ends with a completion and blocks
// until it ends, rethrowing what ended it. For tests and the command-line driver, whose
// threads may wait; none of them may be called on the engine's worker (a status handler).

// Sets the handler and returns once it heard the current status.
void onStatus(SyncEngine& engine, SyncEngine::StatusHandler handler);
// Waits for the pass (and any repeat); a pass that fails reports it in the status, not here.
void syncNow(SyncEngine& engine);
DeviceCode beginSignIn(SyncEngine& engine);
// The account once the sign-in ended, or the error that ended it.
std::future<AccountInfo> completeSignIn(SyncEngine& engine, DeviceCode code);
void signOut(SyncEngine& engine);
void setDefaultWorkspace(SyncEngine& engine, const std::optional<std::string>& workspaceID);
void adoptLocalCaptures(SyncEngine& engine, const std::string& workspaceID,
                        const std::optional<std::vector<std::string>>& ids = std::nullopt);

} // namespace tavro::test
