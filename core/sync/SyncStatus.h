#pragma once

#include "model/Time.h"

#include <optional>
#include <string>

namespace tavro {

// The sync state shown to the user. Signed out and session expired mean not signed in; every
// other state belongs to a signed-in user.
struct SyncStatus {
    enum class Kind { idle, offline, failed, signedOut, syncing, sessionExpired };

    Kind kind = Kind::signedOut;
    std::optional<Seconds> lastSync; // idle
    std::string message;             // offline, failed

    bool operator==(const SyncStatus&) const = default;

    bool isSignedIn() const { return kind != Kind::signedOut && kind != Kind::sessionExpired; }
};

} // namespace tavro
