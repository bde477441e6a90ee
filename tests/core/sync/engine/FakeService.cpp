#include "FakeService.h"

#include <thread>

using json = nlohmann::json;

namespace tavro::test {

namespace {

HttpResponse reply(long status, const json& body) { return {status, body.dump()}; }

} // namespace

std::string FakeService::pathOf(const std::string& url) const {
    std::string path = url.substr(std::string(baseURL).size());
    if (auto query = path.find('?'); query != std::string::npos)
        path.erase(query);
    return path;
}

void FakeService::waitWhileHung(const std::string& path, std::stop_token stop,
                                std::unique_lock<std::mutex>& lock) {
    auto hung = hung_.find(path);
    if (hung == hung_.end())
        return;
    if (hung->second) {
        changed_.wait(lock, [&] { return !hung_.contains(path); });
        return;
    }
    changed_.wait(lock, stop, [&] { return !hung_.contains(path); });
    if (stop.stop_requested())
        throw TransportError(TransportError::Kind::stopped, "stopped");
}

HttpResponse FakeService::send(const HttpRequest& request, std::stop_token stop) {
    const std::string path = pathOf(request.url);
    json body = request.body ? json::parse(*request.body, nullptr, false) : json();
    std::unique_lock lock(mutex_);
    requests_.push_back({request.method, path, request.bearer, body});
    changed_.notify_all();
    waitWhileHung(path, stop, lock);
    if (auto failure = failures_.find(path); failure != failures_.end()) {
        if (failure->second.first == 0)
            throw TransportError(TransportError::Kind::failed, failure->second.second);
        return {failure->second.first, failure->second.second};
    }
    return answer(request.method, path, request.bearer, body);
}

HttpResponse FakeService::answer(const std::string& method, const std::string& path,
                                 const std::optional<std::string>& bearer, const json& body) {
    if (path == "/api/auth/device/code")
        return reply(200, {{"device_code", "device-1"},
                           {"user_code", "WDJB-MJHT"},
                           {"verification_uri", std::string(baseURL) + "/device"},
                           {"interval", 2},
                           {"expires_in", 900}});
    if (path == "/api/auth/device/token") {
        if (body.value("device_code", "") != "device-1")
            return reply(400, {{"error", "invalid_grant"}});
        std::string next = "authorization_pending";
        if (!polls_.empty()) {
            next = polls_.front();
            polls_.pop_front();
        }
        if (next == "token") {
            sessionValid_ = true;
            return reply(200, {{"access_token", goodToken}});
        }
        return reply(400, {{"error", next}});
    }
    const bool authorised = sessionValid_ && bearer == std::optional<std::string>(goodToken);
    if (path == "/api/auth/sign-out") {
        sessionValid_ = false;
        return reply(200, json::object());
    }
    if (!authorised)
        return reply(401, {{"error", {{"code", "unauthorized"}, {"message", "no session"}}}});
    if (path == "/v1/me" && method == "GET")
        return reply(200, account_);
    if (path == "/v1/devices")
        return reply(200, json::object());
    if (path == "/v1/sync/reconcile")
        return reply(200, reconcile_);
    if (path == "/v1/sync") // nothing to pull; the exchange itself is tested on the stand-in
        return reply(200, {{"cursor", 0}});
    return reply(404, {{"message", "no such route"}});
}

HttpResponse FakeService::stream(const HttpRequest& request,
                                 const std::function<void(std::string_view)>& onBody,
                                 std::stop_token stop) {
    const std::string path = pathOf(request.url);
    std::unique_lock lock(mutex_);
    requests_.push_back({request.method, path, request.bearer, json()});
    changed_.notify_all();
    if (auto failure = failures_.find(path); failure != failures_.end()) {
        if (failure->second.first == 0)
            throw TransportError(TransportError::Kind::failed, failure->second.second);
        return {failure->second.first, failure->second.second};
    }
    if (!sessionValid_ || request.bearer != std::optional<std::string>(goodToken))
        return reply(401, {{"message", "no session"}});
    const int generation = streamGeneration_;
    std::size_t next = streamLines_.size();
    ++openStreams_;
    changed_.notify_all();
    while (!stop.stop_requested() && generation == streamGeneration_) {
        while (next < streamLines_.size()) {
            const std::string chunk = streamLines_[next++] + "\n";
            lock.unlock();
            onBody(chunk);
            lock.lock();
        }
        changed_.wait(lock, stop, [&] {
            return next < streamLines_.size() || generation != streamGeneration_;
        });
    }
    --openStreams_;
    changed_.notify_all();
    return {200, ""};
}

void FakeService::scriptPolls(std::vector<std::string> answers) {
    std::lock_guard lock(mutex_);
    polls_.assign(answers.begin(), answers.end());
}

void FakeService::setAccount(json account) {
    std::lock_guard lock(mutex_);
    account_ = std::move(account);
}

void FakeService::setReconcile(json reconcile) {
    std::lock_guard lock(mutex_);
    reconcile_ = std::move(reconcile);
}

void FakeService::failRoute(const std::string& path, long status, std::string body) {
    std::lock_guard lock(mutex_);
    failures_[path] = {status, std::move(body)};
}

void FakeService::clearFailure(const std::string& path) {
    std::lock_guard lock(mutex_);
    failures_.erase(path);
}

void FakeService::hangRoute(const std::string& path, bool ignoreStop) {
    std::lock_guard lock(mutex_);
    hung_[path] = ignoreStop;
}

void FakeService::release(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        hung_.erase(path);
    }
    changed_.notify_all();
}

void FakeService::expireSession() {
    std::lock_guard lock(mutex_);
    sessionValid_ = false;
}

void FakeService::renewSession() {
    std::lock_guard lock(mutex_);
    sessionValid_ = true;
}

void FakeService::pushEventLine(const std::string& line) {
    {
        std::lock_guard lock(mutex_);
        streamLines_.push_back(line);
    }
    changed_.notify_all();
}

void FakeService::endStreams() {
    {
        std::lock_guard lock(mutex_);
        ++streamGeneration_;
    }
    changed_.notify_all();
}

std::vector<FakeService::Request> FakeService::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<FakeService::Request> FakeService::requests(const std::string& path) const {
    std::vector<Request> out;
    for (auto& request : requests())
        if (request.path == path)
            out.push_back(request);
    return out;
}

int FakeService::openStreams() const {
    std::lock_guard lock(mutex_);
    return openStreams_;
}

bool FakeService::waitFor(const std::function<bool()>& condition,
                          std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace tavro::test
