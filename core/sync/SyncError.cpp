#include "sync/SyncError.h"

namespace tavro {

SyncError::SyncError(Code code, long status, std::string detail, const std::string& description)
    : std::runtime_error(description)
    , code_(code)
    , status_(status)
    , detail_(std::move(detail)) {}

SyncError SyncError::offline(std::string reason) {
    auto description = std::string("Can't reach ") + webDomain + " \u2014 " + reason;
    return SyncError(Code::offline, 0, std::move(reason), description);
}

SyncError SyncError::server(long status, std::string message) {
    auto description = "Server error " + std::to_string(status) + ": " + message;
    return SyncError(Code::server, status, std::move(message), description);
}

SyncError SyncError::unauthorized() {
    return SyncError(Code::unauthorized, 0, {},
                     "Your session has expired. Sign in again to keep syncing.");
}

SyncError SyncError::decode() {
    return SyncError(Code::decode, 0, {}, "Unexpected reply from the server.");
}

SyncError SyncError::uploadsDisabled() {
    return SyncError(Code::uploadsDisabled, 0, {},
                     "Screenshot uploads are switched off on this server.");
}

SyncError SyncError::tooLarge() {
    return SyncError(Code::tooLarge, 0, {}, "The reply from the server is too large.");
}

SignInError::SignInError(Code code)
    : std::runtime_error(code == Code::denied ? "The sign-in was denied in the browser."
                                              : "That code expired. Start again to get a new one.")
    , code_(code) {}

} // namespace tavro
