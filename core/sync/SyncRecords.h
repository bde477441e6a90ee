#pragma once

#include "model/BoardRecords.h"
#include "model/Time.h"

#include <map>
#include <string>
#include <vector>

namespace tavro {

// One started device-code sign-in.
struct DeviceCode {
    std::string deviceCode;
    std::string userCode;
    std::string verificationURI;
    std::string verificationURIComplete;
    double interval = 2;   // seconds between polls, at least 2
    Seconds expiresAt = 0; // when the code lapses

    bool operator==(const DeviceCode&) const = default;
};

// The outcome of one poll for the token.
struct DevicePoll {
    enum class Kind { token, pending, slowDown, denied, expired };
    Kind kind = Kind::pending;
    std::string token; // set for token

    bool operator==(const DevicePoll&) const = default;
};

// What the account call yields.
struct AccountInfo {
    Person user;
    std::vector<Workspace> workspaces;
    std::map<std::string, bool> features;

    bool operator==(const AccountInfo&) const = default;
};

// What the reconcile call yields: captures to remove here, and those the server holds that
// this library lacks.
struct Reconciliation {
    std::vector<std::string> drop;
    std::vector<std::string> missing;

    bool operator==(const Reconciliation&) const = default;
};

// Where and how to put a screenshot file, or that the service holds it already.
struct UploadTicket {
    bool exists = false;
    std::string url;
    std::string method = "PUT";
    std::map<std::string, std::string> headers;

    bool operator==(const UploadTicket&) const = default;
};

} // namespace tavro
