#pragma once

#include "model/Time.h"

#include <optional>
#include <string>

namespace tavro {

// The sync state shown to the user. Only signed out means no account: a session the service
// rejected still belongs to the signed-in user, who is asked to sign in again.
struct SyncStatus {
    enum class Kind { idle, offline, failed, signedOut, syncing, sessionExpired };

    Kind kind = Kind::signedOut;
    std::optional<Seconds> lastSync; // idle
    std::string message;             // offline, failed

    bool operator==(const SyncStatus&) const = default;

    bool isSignedIn() const { return kind != Kind::signedOut; }
};

} // namespace tavro
