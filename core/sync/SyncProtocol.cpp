#include "sync/SyncProtocol.h"

#include "model/Text.h"
#include "model/Wire.h"

#include <algorithm>
#include <cctype>

namespace tavro::SyncProtocol {

using json = nlohmann::json;

namespace {

std::optional<std::string> text(const json& object, std::string_view key) {
    auto value = Wire::field(object, key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

json replyObject(std::string_view body) {
    auto parsed = object(body);
    if (!parsed)
        throw SyncError::decode();
    return std::move(*parsed);
}

const json* errorObject(const json& body) {
    auto error = Wire::field(body, "error");
    return error && error->is_object() ? error : nullptr;
}

bool uploadsSwitchedOff(const json& body) {
    auto error = errorObject(body);
    return error && text(*error, "code") == "uploads_disabled";
}

bool startsWithCaseless(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char wanted, char given) {
               return std::tolower(static_cast<unsigned char>(given)) == wanted;
           });
}

// An HTTP method or header name: what storage names is sent as it comes, so it must not be
// able to end a line or start another.
bool isToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    });
}

bool isHeaderValue(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

std::string serialize(const json& body) {
    return body.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::optional<json> object(std::string_view body) {
    // A reply nested deeper than any real one is refused before parsing: copying or freeing it
    // would take one call per level.
    if (Wire::textNestedDeeperThan(body, Wire::maxNesting))
        return std::nullopt;
    // Bytes that are not UTF-8 read as U+FFFD; a reply without any is parsed where it lies,
    // not copied first.
    std::string replaced;
    if (!text::isValidUTF8(body)) {
        replaced = text::validUTF8(body);
        body = replaced;
    }
    auto parsed = json::parse(body.begin(), body.end(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
        return std::nullopt;
    return parsed;
}

std::vector<json> objects(const json* value) {
    std::vector<json> out;
    if (!value || !value->is_array())
        return out;
    for (const auto& element : *value)
        if (element.is_object())
            out.push_back(element);
    return out;
}

bool isWebURL(std::string_view url) {
    size_t rest;
    if (startsWithCaseless(url, "https://"))
        rest = 8;
    else if (startsWithCaseless(url, "http://"))
        rest = 7;
    else
        return false;
    for (char c : url)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == '\\')
            return false;
    auto authority = url.substr(rest, url.find_first_of("/?#", rest) - rest);
    if (auto at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view host = authority;
    if (host.starts_with('[')) {
        auto close = host.find(']');
        if (close == std::string_view::npos || close < 2)
            return false;
        return close + 1 == host.size() || host[close + 1] == ':';
    }
    host = host.substr(0, host.find(':'));
    return !host.empty();
}

std::optional<std::string> blobPath(std::string_view workspaceID, std::string_view sha256) {
    if (!Wire::isID(workspaceID) || !Wire::isSHA256(sha256))
        return std::nullopt;
    return "/v1/blobs/" + std::string(workspaceID) + "/" + std::string(sha256);
}

std::string reasonPhrase(long status) {
    struct Phrase {
        long status;
        const char* text;
    };
    static constexpr Phrase phrases[] = {
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {402, "Payment Required"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {406, "Not Acceptable"},
        {408, "Request Timeout"},
        {409, "Conflict"},
        {410, "Gone"},
        {411, "Length Required"},
        {412, "Precondition Failed"},
        {413, "Content Too Large"},
        {414, "URI Too Long"},
        {415, "Unsupported Media Type"},
        {422, "Unprocessable Content"},
        {425, "Too Early"},
        {426, "Upgrade Required"},
        {428, "Precondition Required"},
        {429, "Too Many Requests"},
        {431, "Request Header Fields Too Large"},
        {451, "Unavailable For Legal Reasons"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
        {505, "HTTP Version Not Supported"},
        {507, "Insufficient Storage"},
        {511, "Network Authentication Required"},
    };
    for (const auto& phrase : phrases)
        if (phrase.status == status)
            return phrase.text;
    if (status >= 500 && status <= 599)
        return "Server Error";
    if (status >= 400 && status <= 499)
        return "Client Error";
    if (status >= 300 && status <= 399)
        return "Redirection";
    return "Unknown Status";
}

SyncError errorReply(long status, std::string_view body) {
    if (status == 401)
        return SyncError::unauthorized();
    const json reply = object(body).value_or(json::object());
    if (uploadsSwitchedOff(reply))
        return SyncError::uploadsDisabled();
    std::optional<std::string> message;
    if (auto error = errorObject(reply))
        message = text(*error, "message");
    if (!message)
        message = text(reply, "message");
    return SyncError::server(status, message.value_or(reasonPhrase(status)));
}

DeviceCode readDeviceCode(std::string_view body, std::string_view baseURL, Seconds now) {
    const json reply = replyObject(body);
    auto deviceCode = text(reply, "device_code");
    auto userCode = text(reply, "user_code");
    if (!deviceCode || !userCode)
        throw SyncError::decode();
    DeviceCode code;
    code.deviceCode = *deviceCode;
    code.userCode = *userCode;
    code.verificationURI = text(reply, "verification_uri").value_or(std::string(baseURL));
    // The page the user is sent to: only a web address, never a file or another scheme.
    if (!isWebURL(code.verificationURI))
        throw SyncError::decode();
    if (auto complete = text(reply, "verification_uri_complete")) {
        if (!isWebURL(*complete))
            throw SyncError::decode();
        code.verificationURIComplete = *complete;
    } else {
        code.verificationURIComplete = code.verificationURI + "?user_code=" + code.userCode;
    }
    const double interval = Wire::floating(Wire::field(reply, "interval"));
    const double lifetime = Wire::floating(Wire::field(reply, "expires_in"));
    // NaN and the infinities fall to the minimums as well.
    code.interval = interval >= 2.0 && interval < 86400 ? interval : 2.0;
    code.expiresAt = now + (lifetime >= 60.0 && lifetime < 86400 * 365 ? lifetime : 60.0);
    return code;
}

DevicePoll readDevicePoll(long status, std::string_view body) {
    const json reply = object(body).value_or(json::object());
    if (status == 200)
        if (auto token = text(reply, "access_token"))
            return {DevicePoll::Kind::token, *token};
    const std::string code = text(reply, "error").value_or(text(reply, "code").value_or(""));
    if (code == "authorization_pending")
        return {DevicePoll::Kind::pending, {}};
    if (code == "slow_down")
        return {DevicePoll::Kind::slowDown, {}};
    if (code == "access_denied")
        return {DevicePoll::Kind::denied, {}};
    if (code == "expired_token")
        return {DevicePoll::Kind::expired, {}};
    if (status == 400)
        return {DevicePoll::Kind::pending, {}};
    throw SyncError::server(status, text(reply, "message").value_or("device token"));
}

AccountInfo readAccount(std::string_view body) {
    const json reply = replyObject(body);
    auto user = Wire::field(reply, "user");
    if (!user || !user->is_object())
        throw SyncError::decode();
    auto id = text(*user, "id");
    if (!id)
        throw SyncError::decode();
    AccountInfo info;
    info.user = Person{.id = *id,
                       .name = text(*user, "name").value_or("You"),
                       .email = text(*user, "email"),
                       .imageURL = text(*user, "image"),
                       .kind = text(*user, "kind").value_or("person")};
    for (const auto& entry : objects(Wire::field(reply, "workspaces"))) {
        auto workspaceID = text(entry, "id");
        auto name = text(entry, "name");
        auto slug = text(entry, "slug");
        if (!workspaceID || !name || !slug)
            continue;
        info.workspaces.push_back(
            Workspace{.id = *workspaceID,
                      .name = *name,
                      .slug = *slug,
                      .role = text(entry, "role").value_or("member"),
                      .settingsJSON = Wire::json(Wire::field(entry, "settings"))});
    }
    if (auto features = Wire::field(reply, "features"); features && features->is_object())
        for (const auto& [name, value] : features->items())
            if (value.is_boolean())
                info.features[name] = value.get<bool>();
    return info;
}

SyncReply readSyncReply(std::string body) {
    return SyncReply(std::move(body));
}

Reconciliation readReconciliation(std::string_view body) {
    const json reply = replyObject(body);
    return {Wire::strings(Wire::field(reply, "drop")),
            Wire::strings(Wire::field(reply, "missing"))};
}

UploadTicket readUploadTicket(std::string_view body) {
    const json reply = replyObject(body);
    if (text(reply, "status") == "exists")
        return {.exists = true};
    auto url = text(reply, "url");
    if (!url || !isWebURL(*url)) {
        if (uploadsSwitchedOff(reply))
            throw SyncError::uploadsDisabled();
        throw SyncError::decode();
    }
    UploadTicket ticket{.url = *url, .method = text(reply, "method").value_or("PUT")};
    if (!isToken(ticket.method))
        throw SyncError::decode();
    if (auto headers = Wire::field(reply, "headers"); headers && headers->is_object()) {
        const bool allText = std::all_of(headers->begin(), headers->end(),
                                         [](const json& value) { return value.is_string(); });
        if (allText)
            for (const auto& [name, value] : headers->items()) {
                if (!isToken(name) || !isHeaderValue(value.get_ref<const std::string&>()))
                    throw SyncError::decode();
                ticket.headers[name] = value.get<std::string>();
            }
    }
    return ticket;
}

std::string readBlobLocation(std::string_view body) {
    const json reply = replyObject(body);
    auto url = text(reply, "url");
    if (!url || !isWebURL(*url))
        throw SyncError::decode();
    return *url;
}

} // namespace tavro::SyncProtocol
