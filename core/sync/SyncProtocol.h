#pragma once

#include "sync/SyncError.h"
#include "sync/SyncRecords.h"
#include "sync/SyncReply.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The web service's wire format without the transport: request bodies, and readers of its
// replies that turn anything they cannot use into the SyncError the client reports.
namespace tavro::SyncProtocol {

inline constexpr std::string_view clientID = "tavro-desktop";
inline constexpr std::string_view scope = "openid profile email";
inline constexpr std::string_view deviceGrantType = "urn:ietf:params:oauth:grant-type:device_code";

// A request body as sent: compact, keys sorted, and text that is not UTF-8 (text read from the
// library may hold some) written with U+FFFD instead of failing.
std::string serialize(const nlohmann::json& body);

// The body parsed as a JSON object; nothing for anything else.
std::optional<nlohmann::json> object(std::string_view body);

// The object elements of an array; elements of another kind are left out, so one bad element
// never costs the others. Empty for anything but an array.
std::vector<nlohmann::json> objects(const nlohmann::json* value);

// An absolute http or https URL with a host: the only kind of address taken from a reply,
// which would otherwise let a server make the client read or write local files.
bool isWebURL(std::string_view text);

// "/v1/blobs/<workspace>/<sha256>", or nothing when either would not be a safe path segment.
std::optional<std::string> blobPath(std::string_view workspaceID, std::string_view sha256);

// The standard reason phrase of an HTTP status code.
std::string reasonPhrase(long status);

// The error of an API reply whose status is outside 200 to 299: 401 is the expired session,
// an "error" object with the code "uploads_disabled" switched-off uploads, anything else a
// server error with the body's message or the status's reason phrase.
SyncError errorReply(long status, std::string_view body);

// Readers of the replies; each throws SyncError::decode() where the reply is unusable.
DeviceCode readDeviceCode(std::string_view body, std::string_view baseURL, Seconds now);
// Any status: the poll reads the body of errors too.
DevicePoll readDevicePoll(long status, std::string_view body);
AccountInfo readAccount(std::string_view body);
SyncReply readSyncReply(std::string body);
Reconciliation readReconciliation(std::string_view body);
UploadTicket readUploadTicket(std::string_view body);
std::string readBlobLocation(std::string_view body);

} // namespace tavro::SyncProtocol
