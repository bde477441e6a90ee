#include "SyncService.h"

#include "sync/HttpTransport.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tavro::test {

using json = nlohmann::json;

namespace {

std::string base64(std::string_view bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = unsigned((unsigned char)bytes[i]) << 16 |
                           unsigned((unsigned char)bytes[i + 1]) << 8 |
                           unsigned((unsigned char)bytes[i + 2]);
        for (int shift : {18, 12, 6, 0})
            encoded += alphabet[(n >> shift) & 63];
    }
    if (i < bytes.size()) {
        unsigned n = unsigned((unsigned char)bytes[i]) << 16;
        if (i + 1 < bytes.size())
            n |= unsigned((unsigned char)bytes[i + 1]) << 8;
        encoded += alphabet[(n >> 18) & 63];
        encoded += alphabet[(n >> 12) & 63];
        encoded += i + 1 < bytes.size() ? alphabet[(n >> 6) & 63] : '=';
        encoded += '=';
    }
    return encoded;
}

HttpTransport& controlTransport() {
    static const auto transport = makeCurlTransport();
    return *transport;
}

// The first line the service writes: "port <N>".
int readPort(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0)
            throw std::runtime_error("the sync service did not start");
        char buffer[256];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            throw std::runtime_error("the sync service ended while starting");
        line.append(buffer, size_t(got));
    }
    if (!line.starts_with("port "))
        throw std::runtime_error("the sync service said: " + line);
    return std::stoi(line.substr(5));
}

} // namespace

SyncService::SyncService() {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        execl(TAVRO_PYTHON, TAVRO_PYTHON, TAVRO_SYNC_SERVICE, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    try {
        port_ = readPort(out[0]);
    } catch (...) {
        close(out[0]);
        stop();
        throw;
    }
    close(out[0]);
}

SyncService::~SyncService() {
    stop();
}

void SyncService::stop() {
    if (input_ >= 0)
        close(input_);
    input_ = -1;
    if (pid_ <= 0)
        return;
    // Closing its input ends the service; a service that does not go is killed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

std::string SyncService::baseURL() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

json SyncService::call(std::string_view method, std::string_view name,
                       const std::optional<json>& body) {
    HttpRequest request;
    request.method = std::string(method);
    request.url = baseURL() + "/_control/" + std::string(name);
    if (body) {
        request.headers.emplace_back("Content-Type", "application/json");
        request.body = body->dump();
    }
    request.idleTimeout = std::chrono::seconds(10);
    const HttpResponse response = controlTransport().send(request);
    if (response.status != 200)
        throw std::runtime_error("control " + std::string(name) + " answered " +
                                 std::to_string(response.status) + ": " + response.body);
    return json::parse(response.body);
}

json SyncService::control(std::string_view name, const json& body) {
    return call("POST", name, body);
}

json SyncService::inspect(std::string_view name) {
    return call("GET", name, std::nullopt);
}

namespace {

json codeBody(const std::optional<std::string>& userCode, int afterPolls = 0) {
    json body = json::object();
    if (userCode)
        body["user_code"] = *userCode;
    if (afterPolls > 0)
        body["after"] = afterPolls;
    return body;
}

} // namespace

std::string SyncService::issueToken() {
    return control("token").at("token").get<std::string>();
}

void SyncService::approve(const std::optional<std::string>& userCode, int afterPolls) {
    control("approve", codeBody(userCode, afterPolls));
}

void SyncService::deny(const std::optional<std::string>& userCode, int afterPolls) {
    control("deny", codeBody(userCode, afterPolls));
}

void SyncService::expireCode(const std::optional<std::string>& userCode, int afterPolls) {
    control("expire-code", codeBody(userCode, afterPolls));
}

void SyncService::slowDown(int polls, const std::optional<std::string>& userCode) {
    json body = codeBody(userCode);
    body["count"] = polls;
    control("slow-down", body);
}

void SyncService::expireToken(const std::optional<std::string>& token) {
    json body = json::object();
    if (token)
        body["token"] = *token;
    control("expire-token", body);
}

json SyncService::writeAsOtherDevice(std::string_view table, const json& row) {
    return control("write", {{"table", table}, {"row", row}});
}

void SyncService::announceChange() {
    control("event");
}

void SyncService::endStreams() {
    control("end-streams");
}

int SyncService::openStreams() {
    return inspect("streams").at("open").get<int>();
}

std::string SyncService::storeBlob(std::string_view bytes, std::string_view workspace) {
    return control("blob", {{"workspace_id", workspace}, {"base64", base64(bytes)}})
        .at("sha256")
        .get<std::string>();
}

void SyncService::configure(const json& settings) {
    control("config", settings);
}

void SyncService::inject(const Fault& fault) {
    json body = {{"route", fault.route},
                 {"body", fault.body},
                 {"headers", fault.headers},
                 {"hang", fault.hang},
                 {"count", fault.count}};
    if (fault.method)
        body["method"] = *fault.method;
    if (fault.status)
        body["status"] = *fault.status;
    if (fault.trickle)
        body["trickle"] = *fault.trickle;
    if (fault.rawBody)
        body["body_base64"] = base64(*fault.rawBody);
    if (fault.hold)
        body["hold"] = true;
    if (fault.hangUp)
        body["hang_up"] = true;
    control("fault", body);
}

void SyncService::release(const std::optional<std::string>& route) {
    json body = json::object();
    if (route)
        body["route"] = *route;
    control("release", body);
}

int SyncService::held(std::string_view route) {
    const json routes = inspect("held");
    return static_cast<int>(std::count(routes.begin(), routes.end(), json(route)));
}

void SyncService::clearFaults() {
    control("clear-faults");
}

std::optional<std::string> SyncService::Request::header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (key.size() == name.size() &&
            std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
                return std::tolower((unsigned char)a) == std::tolower((unsigned char)b);
            }))
            return value;
    return std::nullopt;
}

std::vector<SyncService::Request> SyncService::requests() {
    std::vector<Request> out;
    for (const auto& entry : inspect("requests")) {
        Request request;
        request.method = entry.value("method", "");
        request.path = entry.value("path", "");
        request.query = entry.value("query", "");
        for (const auto& [name, value] : entry.at("headers").items())
            request.headers[name] = value.get<std::string>();
        request.body = entry.value("body", "");
        request.bytes = entry.value("bytes", size_t(0));
        request.peer = entry.value("peer", "");
        out.push_back(std::move(request));
    }
    return out;
}

void SyncService::clearRequests() {
    control("requests/clear");
}

} // namespace tavro::test
