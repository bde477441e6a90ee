// The reply readers and the client against mutated replies: whatever the service sends, a
// reader returns or throws SyncError, and nothing else escapes the client.
#include "SyncService.h"
#include "model/Wire.h"
#include "sync/ContentHash.h"
#include "sync/SyncClient.h"
#include "sync/SyncProtocol.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace tavro;
namespace P = tavro::SyncProtocol;

namespace {

const std::vector<std::string> seeds = {
    R"({"device_code":"d","user_code":"ABCD","verification_uri":"https://tavro.dev/device","verification_uri_complete":"https://tavro.dev/device?c=1","interval":5,"expires_in":900})",
    R"({"access_token":"t","error":"authorization_pending","code":"slow_down","message":"m"})",
    R"({"user":{"id":"u1","name":"Mira","email":"m@x.dev","image":"https://x.dev/i.png","kind":"person"},"workspaces":[{"id":"w1","name":"Team","slug":"team","role":"owner","settings":{"a":[1,2,{"b":null}]}}],"features":{"uploads":true}})",
    R"({"results":[{"id":"c1","status":"applied","version":3}],"people":[{"id":"u2"}],"changes":[{"table":"captures","row":{"id":"c1"}}],"cursor":"12","more":true})",
    R"({"changes":[{"t\u0061ble":"capt\u0075res","row":{}},{"table":"groups","row":{},"table":"comments"},{"row":{},"row":1,"table":"x"},{"table":1,"row":{"table":"inner"}},[1],"s",{}],"cursor":1})",
    R"({"drop":["c1","c2"],"missing":["c3"]})",
    R"({"status":"upload","url":"https://s.example/put?sig=1","method":"PUT","headers":{"x-amz":"1"},"error":{"code":"uploads_disabled"}})",
    R"({"url":"https://s.example/get?sig=2"})",
    R"({"error":{"code":"uploads_disabled","message":"off"},"message":"outer"})",
};

const std::vector<std::string> pieces = {
    "null",         "true",        "1E400",   "-1e999", "18446744073709551616",
    "\"\xFF\xFE\"", "\"\\ud800\"", "[]",      "{}",     "\"file:///etc/passwd\"",
    "\"https://\"", "0.5",         "\"nan\"", "\"\"",   "[[[[[[",
};

// Every change parses, and the table read without parsing it is the one its parse names.
void readEveryChange(const SyncReply& reply) {
    for (size_t i = 0; i < reply.changeCount(); ++i) {
        const auto change = reply.change(i);
        const auto* table = Wire::field(change, "table");
        const auto* row = Wire::field(change, "row");
        const bool named = table && table->is_string() && row && row->is_object();
        const auto read = reply.changeTable(i);
        ASSERT_EQ(read.has_value(), named) << change.dump();
        if (named) {
            EXPECT_EQ(*read, table->get<std::string>()) << change.dump();
        }
    }
}

std::string mutate(std::string text, std::mt19937& random) {
    auto pick = [&](size_t n) {
        return std::uniform_int_distribution<size_t>(0, n - 1)(random);
    };
    const int steps = 1 + int(pick(4));
    for (int step = 0; step < steps && !text.empty(); ++step) {
        const size_t at = pick(text.size());
        switch (pick(7)) {
        case 0: // truncate
            text.resize(at);
            break;
        case 1: // flip a byte
            text[at] = char(pick(256));
            break;
        case 2: // replace a value with one of another kind
            if (auto colon = text.find(':', at); colon != std::string::npos) {
                auto end = text.find_first_of(",}", colon);
                text.replace(colon + 1, end == std::string::npos ? 0 : end - colon - 1,
                             pieces[pick(pieces.size())]);
            }
            break;
        case 3: // nest deeply
            text.insert(at, std::string(pick(8) ? 40 : 1000, '['));
            break;
        case 4: // duplicate a stretch
            text.insert(at, text.substr(pick(text.size()), 1 + pick(40)));
            break;
        case 5: // insert a piece
            text.insert(at, pieces[pick(pieces.size())]);
            break;
        default: // drop a stretch
            text.erase(at, 1 + pick(20));
            break;
        }
    }
    return text;
}

} // namespace

TEST(SyncReplyFuzz, MutatedRepliesOnlyEverGiveSyncErrors) {
    std::mt19937 random(20261209);
    size_t readable = 0;
    for (int round = 0; round < 100000; ++round) {
        const std::string reply = mutate(seeds[size_t(round) % seeds.size()], random);
        const long status = std::array{200L, 400L, 401L, 403L, 500L, 503L}[size_t(round) % 6];
        // Each reply goes to one reader in turn, every seed to each of them.
        try {
            switch ((size_t(round) / seeds.size()) % 8) {
            case 0:
                P::readDeviceCode(reply, "https://api.tavro.dev", 0);
                break;
            case 1:
                P::readDevicePoll(status, reply);
                break;
            case 2:
                P::readAccount(reply);
                break;
            case 3:
                readEveryChange(P::readSyncReply(reply));
                break;
            case 4:
                P::readReconciliation(reply);
                break;
            case 5:
                P::readUploadTicket(reply);
                break;
            case 6:
                P::readBlobLocation(reply);
                break;
            default:
                (void)P::errorReply(status, reply);
                break;
            }
            ++readable;
        } catch (const SyncError&) {
        }
    }
    // The mutations leave a good share of replies readable, so the readers' paths past the
    // first check are exercised too.
    EXPECT_GT(readable, 10000u);
}

namespace {

// The path of a request's URL, storage paths under one name.
std::string routeOf(const std::string& url) {
    auto start = url.find("//");
    auto path = url.find('/', start == std::string::npos ? 0 : start + 2);
    std::string route = path == std::string::npos ? "/" : url.substr(path);
    route = route.substr(0, route.find('?'));
    if (route.starts_with("/storage/"))
        return "/storage/";
    if (route.starts_with("/v1/blobs/"))
        return "/v1/blobs/";
    return route;
}

// Passes requests on and keeps the last reply seen on each route.
class RecordingTransport final : public HttpTransport {
public:
    std::map<std::string, HttpResponse> replies;

    HttpResponse send(const HttpRequest& request, std::stop_token stop) override {
        auto response = inner_->send(request, stop);
        replies[routeOf(request.url)] = response;
        return response;
    }
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override {
        return inner_->stream(request, onBody, stop);
    }

private:
    std::shared_ptr<HttpTransport> inner_ = makeCurlTransport();
};

// Answers each request from a table of replies, without a network.
class ScriptedTransport final : public HttpTransport {
public:
    std::function<HttpResponse(const std::string& route)> answer;

    HttpResponse send(const HttpRequest& request, std::stop_token) override {
        return answer(routeOf(request.url));
    }
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override {
        auto response = send(request, stop);
        onBody(response.body);
        return response;
    }
};

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Real replies of the stand-in to a short session of every call.
std::map<std::string, HttpResponse> standInReplies() {
    test::SyncService service;
    auto recorder = std::make_shared<RecordingTransport>();
    SyncClient client(service.baseURL(), std::nullopt, recorder);
    const DeviceCode code = client.requestDeviceCode();
    client.pollDeviceToken(code);
    service.approve();
    client.setToken(client.pollDeviceToken(code).token);
    client.me();
    client.registerDevice("d1", "host", "linux", "1.0");
    const std::string workspace = test::SyncService::workspaceID;
    client.sync({{"device_id", "d1"},
                 {"cursor", 0},
                 {"full_groups", nlohmann::json::array()},
                 {"changes",
                  {{{"table", "groups"},
                    {"id", "g1"},
                    {"base_version", 0},
                    {"patch", {{"workspace_id", workspace}, {"name", "Bugs"}}}},
                   {{"table", "captures"},
                    {"id", "c1"},
                    {"base_version", 0},
                    {"patch", {{"workspace_id", workspace}, {"note", "one"}}}}}}});
    service.writeAsOtherDevice("captures", {{"id", "c1"}, {"note", "theirs"}});
    service.writeAsOtherDevice("captures", {{"id", "c2"}, {"workspace_id", workspace}});
    service.control("resync", {{"id", "g1"}});
    service.control("drop", {{"captures", {"c3"}}});
    service.control("reject", {{"id", "c4"}, {"reason", "no"}, {"retry", true}});
    client.sync({{"device_id", "d1"},
                 {"cursor", 0},
                 {"full_groups", {"g1"}},
                 {"changes",
                  {{{"table", "captures"},
                    {"id", "c1"},
                    {"base_version", 1},
                    {"patch", {{"note", "mine"}}}},
                   {{"table", "captures"},
                    {"id", "c4"},
                    {"base_version", 0},
                    {"patch", {{"workspace_id", workspace}}}}}}});
    client.reconcile({"c1", "c9"});
    const std::string file = "file bytes";
    client.ensureUploaded(workspace, bytesOf(file), ContentHash::sha256(file), "image/png");
    client.downloadBlob(workspace, ContentHash::sha256(file));
    return recorder->replies;
}

} // namespace

TEST(SyncReplyFuzz, NothingButSyncErrorsEscapeTheClient) {
    const auto replies = standInReplies();
    ASSERT_EQ(replies.size(), 10u);
    std::vector<std::string> routes;
    for (const auto& [route, reply] : replies)
        routes.push_back(route);

    std::mt19937 random(20261210);
    auto transport = std::make_shared<ScriptedTransport>();
    std::string mutatedRoute;
    HttpResponse mutated;
    transport->answer = [&](const std::string& route) {
        if (route == mutatedRoute)
            return mutated;
        auto known = replies.find(route);
        return known == replies.end() ? HttpResponse{404, ""} : known->second;
    };
    SyncClient client("https://api.tavro.dev", "token", transport);
    const std::string workspace = test::SyncService::workspaceID;
    const std::string file = "file bytes";
    const std::string sha = ContentHash::sha256(file);
    const DeviceCode code{.deviceCode = "d", .userCode = "u"};

    size_t succeeded = 0;
    for (int round = 0; round < 100000; ++round) {
        mutatedRoute = routes[size_t(round) % routes.size()];
        const HttpResponse& real = replies.at(mutatedRoute);
        mutated.body = mutate(real.body, random);
        mutated.status = std::array{real.status, real.status, 200L, 400L, 401L, 500L, 0L}
            [size_t(round / routes.size()) % 7];
        try {
            if (mutatedRoute == "/api/auth/device/code")
                client.requestDeviceCode();
            else if (mutatedRoute == "/api/auth/device/token")
                client.pollDeviceToken(code);
            else if (mutatedRoute == "/v1/me")
                client.me();
            else if (mutatedRoute == "/v1/devices")
                client.registerDevice("d1", "host \xFF", "linux", std::nullopt);
            else if (mutatedRoute == "/v1/sync")
                readEveryChange(client.sync({{"note", "\xC3"}}));
            else if (mutatedRoute == "/v1/sync/reconcile")
                client.reconcile({"c1", "\xFF"});
            else if (mutatedRoute == "/v1/uploads" || mutatedRoute == "/v1/uploads/complete")
                client.ensureUploaded(workspace, bytesOf(file), sha, "image/png");
            else
                client.downloadBlob(workspace, sha);
            ++succeeded;
        } catch (const SyncError&) {
        }
    }
    EXPECT_GT(succeeded, 10000u);
}
