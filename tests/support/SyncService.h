#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::test {

// The loopback stand-in of the web service (sync-service/sync_service.py, whose header lists
// its routes and controls), started on a free port of 127.0.0.1 for as long as this object
// lives. The process also ends by itself when the test process dies, since it exits when its
// standard input closes. Construction waits until it accepts connections.
class SyncService {
public:
    // The account every fresh service holds: one user, who owns one workspace.
    static constexpr const char* userID = "00000000-0000-4000-8000-000000000001";
    static constexpr const char* otherUserID = "00000000-0000-4000-8000-000000000002";
    static constexpr const char* workspaceID = "10000000-0000-4000-8000-000000000001";

    SyncService();
    ~SyncService();
    SyncService(const SyncService&) = delete;
    SyncService& operator=(const SyncService&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>", the API base URL to give the client.
    std::string baseURL() const;

    // A control of the service: POST /_control/<name> with the body; gives the reply. Throws
    // std::runtime_error when the control answers other than 200.
    nlohmann::json control(std::string_view name,
                           const nlohmann::json& body = nlohmann::json::object());
    // GET /_control/<name>: "state", "requests", "device-codes".
    nlohmann::json inspect(std::string_view name);

    // A session token, as if the user had signed in.
    std::string issueToken();
    // The newest device code, or the one with that user code; at once, or once `afterPolls`
    // more polls were answered pending.
    void approve(const std::optional<std::string>& userCode = std::nullopt, int afterPolls = 0);
    void deny(const std::optional<std::string>& userCode = std::nullopt, int afterPolls = 0);
    void expireCode(const std::optional<std::string>& userCode = std::nullopt, int afterPolls = 0);
    void slowDown(int polls, const std::optional<std::string>& userCode = std::nullopt);
    // Every token when none is named.
    void expireToken(const std::optional<std::string>& token = std::nullopt);
    // A change made by another device; gives the row as stored, with its new version.
    nlohmann::json writeAsOtherDevice(std::string_view table, const nlohmann::json& row);
    // An "event: change" on every open event stream.
    void announceChange();
    // Every open event stream ends.
    void endStreams();
    // The event streams open now; one whose client went away is counted out within ~50 ms.
    int openStreams();
    // A stored file of the workspace; gives its SHA-256.
    std::string storeBlob(std::string_view bytes, std::string_view workspace = workspaceID);
    // Keys of the service's config control ("page_size", "uploads_enabled",
    // "corrupt_downloads", "keepalive", ...).
    void configure(const nlohmann::json& settings);

    // What the next `count` requests to `route` (a path, or a prefix ending in "*") get in
    // place of the service's answer.
    struct Fault {
        std::string route;
        std::optional<std::string> method;
        // Without a status (and without trickle) the request waits `hang` and is then served.
        std::optional<int> status;
        nlohmann::json body = "";
        std::optional<std::string> rawBody; // in place of `body`: bytes sent as they are
        std::map<std::string, std::string> headers;
        double hang = 0;               // seconds before anything is sent
        std::optional<double> trickle; // seconds between single bytes of a never-ending body
        int count = 1;                 // -1: every request
        bool hold = false;             // waits (up to a minute) until release(), then goes on
        bool hangUp = false;           // the connection closes without a reply
    };
    void inject(const Fault& fault);
    // Held requests to the route (any route when none is named) go on.
    void release(const std::optional<std::string>& route = std::nullopt);
    // The requests to the route that a fault holds now.
    int held(std::string_view route);
    // No fault stands any more; held requests go on.
    void clearFaults();

    struct Request {
        std::string method;
        std::string path;
        std::string query;
        std::map<std::string, std::string> headers; // as received
        std::string body;                           // API requests
        size_t bytes = 0;                           // storage requests
        std::string peer;                           // the client's address and port
        // The header's value, its name compared without regard to case.
        std::optional<std::string> header(std::string_view name) const;
    };
    // Every request seen since the start or the last clearRequests(), controls left out.
    std::vector<Request> requests();
    void clearRequests();

private:
    void stop();
    nlohmann::json call(std::string_view method, std::string_view name,
                        const std::optional<nlohmann::json>& body);

    int pid_ = -1;
    int input_ = -1;
    int port_ = 0;
};

} // namespace tavro::test
