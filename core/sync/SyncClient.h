#pragma once

#include "sync/HttpTransport.h"
#include "sync/SyncError.h"
#include "sync/SyncRecords.h"
#include "sync/SyncReply.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The time limits of requests, injectable so tests can run them in seconds.
struct SyncLimits {
    // API calls and the storage upload: no byte for this long ends the request.
    std::chrono::milliseconds requestIdle{60'000};
    // The plain fetch of a stored file.
    std::chrono::milliseconds fetchIdle{30'000};
    // The whole transfer of any request but the event stream.
    std::chrono::milliseconds transfer{300'000};
    // The event stream: its idle limit (the service sends keep-alive lines); no overall one.
    std::chrono::milliseconds streamIdle{3'600'000};
};

// The one way the sync engine talks to the web service: each operation is one or a few HTTP
// requests, made on the calling thread. It holds the session token and nothing else between
// calls, never retries, and reports every failure of an API call as a SyncError. The storage
// upload and the stored-file fetch pass their transport failures on as TransportError. Any
// thread may call any operation; a stop request ends a call in flight with TransportError
// (kind stopped), which API calls report as SyncError::offline.
class SyncClient final {
public:
    using Limits = SyncLimits;

    SyncClient(std::string baseURL, std::optional<std::string> token,
               std::shared_ptr<HttpTransport> transport = makeCurlTransport(), Limits limits = {});
    SyncClient(const SyncClient&) = delete;
    SyncClient& operator=(const SyncClient&) = delete;

    const std::string& baseURL() const { return baseURL_; }
    const Limits& limits() const { return limits_; }
    HttpTransport& transport() const { return *transport_; }

    std::optional<std::string> token() const;
    void setToken(std::optional<std::string> token);

    // Sent as "X-Tavro-Client" on every API request while set; set it before making requests.
    const std::optional<std::string>& clientLabel() const { return clientLabel_; }
    void setClientLabel(std::optional<std::string> label) { clientLabel_ = std::move(label); }

    DeviceCode requestDeviceCode(std::stop_token stop = {});
    DevicePoll pollDeviceToken(const DeviceCode& code, std::stop_token stop = {});
    AccountInfo me(std::stop_token stop = {});
    void registerDevice(std::string_view id, std::string_view name, std::string_view platform,
                        const std::optional<std::string>& appVersion, std::stop_token stop = {});
    // Tells the service the session ends; never fails.
    void signOut(std::stop_token stop = {}) noexcept;
    // Sends the sync body as it is and gives the reply.
    SyncReply sync(const nlohmann::json& body, std::stop_token stop = {});
    Reconciliation reconcile(const std::vector<std::string>& captureIDs, std::stop_token stop = {});

    // The event stream's request, not sent: open it with `transport().stream(...)`. A workspace
    // id that is not id-shaped is left out.
    HttpRequest events(const std::optional<std::string>& workspaceID = std::nullopt) const;

    // Makes sure the service holds the file `data` under its SHA-256 `sha`: asks, and puts the
    // bytes into storage only when the service lacks them.
    void ensureUploaded(std::string_view workspaceID, std::span<const std::uint8_t> data,
                        std::string_view sha, std::string_view contentType,
                        std::stop_token stop = {});
    // The stored file of that workspace and SHA-256, checked against the hash. A workspace id
    // that is not id-shaped or a hash that is not 64 lower-case hex digits is refused as
    // SyncError::decode before anything is sent; a file that announces or sends more than
    // `maxBytes` ends the transfer as soon as that shows, as TransportError tooLarge.
    std::string downloadBlob(std::string_view workspaceID, std::string_view sha,
                             std::stop_token stop = {},
                             std::optional<std::size_t> maxBytes = std::nullopt);

private:
    HttpResponse request(std::string_view method, std::string_view path,
                         const std::optional<nlohmann::json>& body, bool auth, bool tolerate,
                         std::stop_token stop);
    HttpRequest apiRequest(std::string_view method, std::string_view path, bool auth) const;
    std::string endpoint(std::string_view path) const;

    const std::string baseURL_;
    const std::shared_ptr<HttpTransport> transport_;
    const Limits limits_;
    mutable std::mutex lock_;
    std::optional<std::string> token_;
    std::optional<std::string> clientLabel_;
};

} // namespace tavro
