#pragma once

#include "sync/HttpTransport.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavro::test {

// The web service inside the test process, behind the engine's transport: the routes the
// engine's sign-in, account refresh, reconcile and event stream use, with controls to script
// answers, fail or hang a route, expire the session and push change events. Safe for the
// engine's threads to call at once.
class FakeService final : public HttpTransport {
public:
    static constexpr const char* baseURL = "http://service.test";
    static constexpr const char* goodToken = "token-1";

    struct Request {
        std::string method;
        std::string path;
        std::optional<std::string> bearer;
        nlohmann::json body;
    };

    HttpResponse send(const HttpRequest& request, std::stop_token stop) override;
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override;

    // The answers the token poll gives in turn ("authorization_pending", "slow_down",
    // "access_denied", "expired_token" or "token"); pending once they run out.
    void scriptPolls(std::vector<std::string> answers);
    void setAccount(nlohmann::json account);
    void setReconcile(nlohmann::json reply);
    // Answers every request to the path with this status and body until cleared; status 0
    // fails the request in the transport instead, with the body as its description.
    void failRoute(const std::string& path, long status, std::string body = "{}");
    void clearFailure(const std::string& path);
    // Holds requests to the path until released, or until the caller stops them unless
    // `ignoreStop` (a reply that arrives however late).
    void hangRoute(const std::string& path, bool ignoreStop = false);
    void release(const std::string& path);
    // The token stops being accepted: authenticated calls answer 401; or is accepted again.
    void expireSession();
    void renewSession();
    // Sends a line to every open event stream, or ends them.
    void pushEventLine(const std::string& line);
    void endStreams();

    std::vector<Request> requests() const;
    std::vector<Request> requests(const std::string& path) const;
    int count(const std::string& path) const { return static_cast<int>(requests(path).size()); }
    int openStreams() const;
    // Waits until the condition holds, or the time runs out.
    bool waitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds limit = std::chrono::seconds(5));

private:
    HttpResponse answer(const std::string& method, const std::string& path,
                        const std::optional<std::string>& bearer, const nlohmann::json& body);
    std::string pathOf(const std::string& url) const;
    void waitWhileHung(const std::string& path, std::stop_token stop,
                       std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<Request> requests_;
    std::deque<std::string> polls_;
    nlohmann::json account_ = {
        {"user", {{"id", "user-1"}, {"name", "Ada"}, {"email", "ada@example.com"}}},
        {"workspaces",
         {{{"id", "w1"}, {"name", "Team"}, {"slug", "team"}},
          {{"id", "w2"}, {"name", "Other"}, {"slug", "other"}}}}};
    nlohmann::json reconcile_ = {{"drop", nlohmann::json::array()},
                                 {"missing", nlohmann::json::array()}};
    std::map<std::string, std::pair<long, std::string>> failures_;
    std::map<std::string, bool> hung_; // path, whether it ignores stop requests
    bool sessionValid_ = true;
    std::vector<std::string> streamLines_; // every line pushed; each stream reads from its start
    int streamGeneration_ = 0;
    int openStreams_ = 0;
};

} // namespace tavro::test
