#pragma once

#include "sync/SyncStatus.h"

#include <exception>
#include <optional>
#include <string>

namespace tavro {

// What an error that ended a pass turns into: the status to publish, the sync-log line to write
// (none when offline) and whether the server rejected the session, which signs the user out.
struct PassFailure {
    struct LogLine {
        std::string level;
        std::string message;
        bool operator==(const LogLine&) const = default;
    };

    SyncStatus status;
    std::optional<LogLine> log;
    bool sessionRejected = false;

    bool operator==(const PassFailure&) const = default;

    static constexpr const char* sessionRejectedLine = "Session rejected by the server; signed out";

    static PassFailure from(std::exception_ptr error);
};

} // namespace tavro
