#pragma once

#include "library/AccountRecords.h"
#include "model/BoardRecords.h"
#include "sync/SyncRecords.h"
#include "sync/SyncStatus.h"
#include "ui/Theme.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// What the account pane shows for the account's published state, apart from its widgets: which
// content, which rows, their texts and colours, and which buttons work.
namespace AccountPaneModel {

// The account's published state as the pane reads it.
struct Snapshot {
    SyncStatus status;
    std::string statusLine;
    std::optional<Person> me;
    std::vector<Workspace> workspaces;
    std::int64_t localCaptureCount = 0;
    std::optional<DeviceCode> pendingCode;
    std::optional<std::string> signInError;
    std::vector<SyncLogLine> log;
    std::optional<std::string> defaultWorkspaceID;
};

// The signed-in content needs a user; a lapsed session shows the sign-in again whoever is known.
enum class Page { signedOut, signedIn };
Page page(const Snapshot& account);

struct SignedOut {
    bool expiredNote = false;
    // The code to enter in the browser; the sign-in buttons show while there is none.
    std::optional<std::string> userCode;
    std::optional<std::string> error;

    bool operator==(const SignedOut&) const = default;
};
SignedOut signedOut(const Snapshot& account);

struct WorkspaceOption {
    std::string label;
    std::string id;

    bool operator==(const WorkspaceOption&) const = default;
};

// The row of captures that were never filed in a workspace.
struct LocalCaptures {
    std::string title;
    std::string detail;
    bool canMove = false;

    bool operator==(const LocalCaptures&) const = default;
};

struct LogRow {
    std::int64_t id = 0;
    Seconds at = 0;
    std::string message;
    DynamicColor color;

    bool operator==(const LogRow&) const = default;
};

struct SignedIn {
    Person person;
    std::string statusLine;
    DynamicColor dot;
    bool canSyncNow = false;
    std::vector<WorkspaceOption> workspaces;
    // The option of the default workspace; none when it names no listed workspace.
    std::optional<std::size_t> selectedWorkspace;
    bool workspaceHint = false;
    std::optional<LocalCaptures> local;
    // Newest first; "Nothing yet." stands in for an empty log.
    std::vector<LogRow> log;

    bool operator==(const SignedIn&) const = default;
};
// Only for the signed-in page, where `me` is set.
SignedIn signedIn(const Snapshot& account);

DynamicColor statusColor(SyncStatus::Kind kind);
DynamicColor logColor(std::string_view level);
// "1 capture only on this computer", "3 captures only on this computer".
std::string localCapturesTitle(std::int64_t count);
std::string localCapturesDetail(const std::optional<std::string>& workspaceName);
// The sign-out alert's message, with how many changes that never reached the service the
// sign-out loses when there are any (nothing known: none said).
std::string signOutMessage(std::optional<std::int64_t> changesLost);

} // namespace AccountPaneModel

} // namespace tavro
