#include "sync/SyncClient.h"

#include "model/Time.h"
#include "model/Wire.h"
#include "sync/ContentHash.h"
#include "sync/SyncProtocol.h"

namespace tavro {

using json = nlohmann::json;

namespace {

bool isSuccess(long status) {
    return status >= 200 && status <= 299;
}

} // namespace

SyncClient::SyncClient(std::string baseURL, std::optional<std::string> token,
                       std::shared_ptr<HttpTransport> transport, Limits limits)
    : baseURL_(std::move(baseURL))
    , transport_(std::move(transport))
    , limits_(limits)
    , token_(std::move(token)) {}

std::optional<std::string> SyncClient::token() const {
    std::lock_guard guard(lock_);
    return token_;
}

void SyncClient::setToken(std::optional<std::string> token) {
    std::lock_guard guard(lock_);
    token_ = std::move(token);
}

std::string SyncClient::endpoint(std::string_view path) const {
    // The path joins the base URL's own path as one more component.
    std::string url = baseURL_;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    url += '/';
    url += path;
    return url;
}

HttpRequest SyncClient::apiRequest(std::string_view method, std::string_view path,
                                   bool auth) const {
    HttpRequest request;
    request.method = std::string(method);
    request.url = endpoint(path);
    request.headers.emplace_back("Accept", "application/json");
    if (clientLabel_)
        request.headers.emplace_back("X-Tavro-Client", *clientLabel_);
    if (auth)
        request.bearer = token();
    request.idleTimeout = limits_.requestIdle;
    request.transferLimit = limits_.transfer;
    // The body and the session belong to the service: a redirect may not take them elsewhere.
    request.redirects = HttpRequest::Redirects::sameOrigin;
    return request;
}

HttpResponse SyncClient::request(std::string_view method, std::string_view path,
                                 const std::optional<json>& body, bool auth, bool tolerate,
                                 std::stop_token stop) {
    HttpRequest request = apiRequest(method, path, auth);
    if (body) {
        request.headers.emplace_back("Content-Type", "application/json");
        request.body = SyncProtocol::serialize(*body);
    }
    HttpResponse response;
    try {
        response = transport_->send(request, stop);
    } catch (const TransportError& error) {
        if (error.kind() == TransportError::Kind::tooLarge)
            throw SyncError::tooLarge();
        throw SyncError::offline(error.what());
    }
    if (response.refusedRedirect)
        throw SyncError::server(response.status,
                                "redirected to another site, " + *response.refusedRedirect);
    if (response.status == 0)
        throw SyncError::decode();
    if (tolerate || isSuccess(response.status))
        return response;
    throw SyncProtocol::errorReply(response.status, response.body);
}

DeviceCode SyncClient::requestDeviceCode(std::stop_token stop) {
    const json body = {{"client_id", SyncProtocol::clientID}, {"scope", SyncProtocol::scope}};
    auto reply = request("POST", "/api/auth/device/code", body, false, false, stop);
    return SyncProtocol::readDeviceCode(reply.body, baseURL_, now());
}

DevicePoll SyncClient::pollDeviceToken(const DeviceCode& code, std::stop_token stop) {
    const json body = {{"client_id", SyncProtocol::clientID},
                       {"device_code", code.deviceCode},
                       {"grant_type", SyncProtocol::deviceGrantType}};
    // Every status is read: the pending and slow-down answers come as errors.
    auto reply = request("POST", "/api/auth/device/token", body, false, true, stop);
    return SyncProtocol::readDevicePoll(reply.status, reply.body);
}

AccountInfo SyncClient::me(std::stop_token stop) {
    auto reply = request("GET", "/v1/me", std::nullopt, true, false, stop);
    return SyncProtocol::readAccount(reply.body);
}

void SyncClient::registerDevice(std::string_view id, std::string_view name,
                                std::string_view platform,
                                const std::optional<std::string>& appVersion,
                                std::stop_token stop) {
    const json body = {{"id", id},
                       {"name", name},
                       {"platform", platform},
                       {"app_version", appVersion ? json(*appVersion) : json(nullptr)}};
    request("POST", "/v1/devices", body, true, false, stop);
}

void SyncClient::signOut(std::stop_token stop) noexcept {
    try {
        request("POST", "/api/auth/sign-out", json::object(), true, true, stop);
    } catch (...) {
        // Signing out goes on whether or not the service was reached: this computer forgets
        // the session either way.
    }
}

SyncReply SyncClient::sync(const json& body, std::stop_token stop) {
    auto reply = request("POST", "/v1/sync", body, true, false, stop);
    return SyncProtocol::readSyncReply(std::move(reply.body));
}

Reconciliation SyncClient::reconcile(const std::vector<std::string>& captureIDs,
                                     std::stop_token stop) {
    const json body = {{"capture_ids", captureIDs}};
    auto reply = request("POST", "/v1/sync/reconcile", body, true, false, stop);
    return SyncProtocol::readReconciliation(reply.body);
}

HttpRequest SyncClient::events(const std::optional<std::string>& workspaceID) const {
    HttpRequest request = apiRequest("GET", "/v1/events", true);
    request.headers.front().second = "text/event-stream";
    if (workspaceID && Wire::isID(*workspaceID))
        request.url += "?workspace=" + *workspaceID;
    request.idleTimeout = limits_.streamIdle;
    request.transferLimit = std::nullopt;
    return request;
}

void SyncClient::ensureUploaded(std::string_view workspaceID, std::span<const std::uint8_t> data,
                                std::string_view sha, std::string_view contentType,
                                std::stop_token stop) {
    const json body = {{"workspace_id", workspaceID},
                       {"sha256", sha},
                       {"bytes", data.size()},
                       {"content_type", contentType}};
    auto reply = request("POST", "/v1/uploads", body, true, false, stop);
    const UploadTicket ticket = SyncProtocol::readUploadTicket(reply.body);
    if (ticket.exists)
        return;

    HttpRequest put;
    put.method = ticket.method;
    put.url = ticket.url;
    for (const auto& [name, value] : ticket.headers)
        put.headers.emplace_back(name, value);
    put.body = std::string(reinterpret_cast<const char*>(data.data()), data.size());
    put.idleTimeout = limits_.requestIdle;
    put.transferLimit = limits_.transfer;
    const HttpResponse stored = transport_->send(put, stop);
    if (!isSuccess(stored.status))
        throw SyncError::server(stored.status, "storage refused the upload");

    request("POST", "/v1/uploads/complete", body, true, false, stop);
}

std::string SyncClient::downloadBlob(std::string_view workspaceID, std::string_view sha,
                                     std::stop_token stop, std::optional<std::size_t> maxBytes) {
    auto path = SyncProtocol::blobPath(workspaceID, sha);
    if (!path)
        throw SyncError::decode();
    auto reply = request("GET", *path, std::nullopt, true, false, stop);
    HttpRequest fetch;
    fetch.url = SyncProtocol::readBlobLocation(reply.body);
    fetch.idleTimeout = limits_.fetchIdle;
    fetch.transferLimit = limits_.transfer;
    fetch.maxBody = maxBytes;
    HttpResponse file = transport_->send(fetch, stop);
    if (!isSuccess(file.status))
        throw SyncError::server(file.status, "storage refused the download");
    if (ContentHash::sha256(file.body) != sha)
        throw SyncError::server(0, "downloaded bytes don't match their hash");
    return std::move(file.body);
}

} // namespace tavro
