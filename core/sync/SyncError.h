#pragma once

#include <stdexcept>
#include <string>

namespace tavro {

// Every failure of the web-service client. what() is the text the user reads.
class SyncError : public std::runtime_error {
public:
    enum class Code { offline, server, unauthorized, decode, uploadsDisabled, tooLarge };

    // The service's web domain, as the offline text names it.
    static constexpr const char* webDomain = "tavro.dev";

    // `reason` is the transport failure's own description.
    static SyncError offline(std::string reason);
    static SyncError server(long status, std::string message);
    static SyncError unauthorized();
    static SyncError decode();
    static SyncError uploadsDisabled();
    // A reply larger than the client takes: not a network failure, so never shown as offline.
    static SyncError tooLarge();

    Code code() const { return code_; }
    long status() const { return status_; }
    // The offline reason or the server's message; empty for the other codes.
    const std::string& detail() const { return detail_; }

    bool operator==(const SyncError& other) const {
        return code_ == other.code_ && status_ == other.status_ && detail_ == other.detail_;
    }

private:
    SyncError(Code code, long status, std::string detail, const std::string& description);

    Code code_;
    long status_ = 0;
    std::string detail_;
};

// How a device-code sign-in ends without a token.
class SignInError : public std::runtime_error {
public:
    enum class Code { denied, expired };

    explicit SignInError(Code code);
    Code code() const { return code_; }

private:
    Code code_;
};

} // namespace tavro
