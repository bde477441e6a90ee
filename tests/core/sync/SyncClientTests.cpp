// The client against the loopback stand-in of the service: what goes over the wire, and what
// each failure becomes.
#include "MemoryPeak.h"
#include "PullReplies.h"
#include "SyncService.h"
#include "ThrownSyncError.h"
#include "sync/ContentHash.h"
#include "sync/SyncClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

json syncBody() {
    return {{"device_id", "d1"},
            {"cursor", 0},
            {"changes", json::array()},
            {"full_groups", json::array()}};
}

class SyncClientTest : public ::testing::Test {
protected:
    SyncService service;
    SyncClient client{service.baseURL(), service.issueToken()};

    SyncService::Request only(std::string_view path) {
        std::optional<SyncService::Request> found;
        for (auto& request : service.requests())
            if (request.path == path) {
                EXPECT_FALSE(found) << "two requests to " << path;
                found = request;
            }
        EXPECT_TRUE(found) << "no request to " << path;
        return found.value_or(SyncService::Request{});
    }
};

} // namespace

TEST_F(SyncClientTest, EveryCallCarriesTheHeadersOfItsKind) {
    client.setClientLabel("tavro-tests/1");
    const std::string token = *client.token();
    const std::string file(2 << 20, 'x'); // large enough for libcurl to want "Expect"
    const std::string sha = ContentHash::sha256(file);
    const std::string stored = service.storeBlob("stored file");

    client.requestDeviceCode();
    const DeviceCode code = client.requestDeviceCode();
    client.pollDeviceToken(code);
    client.me();
    client.registerDevice("d1", "host", "linux", std::nullopt);
    client.sync(syncBody());
    client.reconcile({"c1"});
    client.ensureUploaded(SyncService::workspaceID, bytesOf(file), sha, "image/png");
    EXPECT_EQ(client.downloadBlob(SyncService::workspaceID, stored), "stored file");
    client.signOut();

    struct Case {
        std::string method;
        std::string path;
        bool bearer;
        bool body;
    };
    const std::vector<Case> api = {
        {"POST", "/api/auth/device/token", false, true},
        {"GET", "/v1/me", true, false},
        {"POST", "/v1/devices", true, true},
        {"POST", "/v1/sync", true, true},
        {"POST", "/v1/sync/reconcile", true, true},
        {"POST", "/v1/uploads", true, true},
        {"POST", "/v1/uploads/complete", true, true},
        {"GET", "/v1/blobs/" + std::string(SyncService::workspaceID) + "/" + stored, true, false},
        {"POST", "/api/auth/sign-out", true, true},
    };
    for (const auto& wanted : api) {
        SCOPED_TRACE(wanted.path);
        const auto request = only(wanted.path);
        EXPECT_EQ(request.method, wanted.method);
        EXPECT_EQ(request.header("Accept"), "application/json");
        EXPECT_EQ(request.header("X-Tavro-Client"), "tavro-tests/1");
        EXPECT_EQ(request.header("Authorization"),
                  wanted.bearer ? std::optional("Bearer " + token) : std::nullopt);
        EXPECT_EQ(request.header("Content-Type"),
                  wanted.body ? std::optional<std::string>("application/json") : std::nullopt);
        EXPECT_EQ(request.header("Expect"), std::nullopt);
        if (wanted.body) {
            EXPECT_TRUE(json::accept(request.body)) << request.body;
        }
    }
    EXPECT_EQ(only("/api/auth/sign-out").body, "{}");
    EXPECT_EQ(
        json::parse(only("/v1/devices").body),
        json({{"app_version", nullptr}, {"id", "d1"}, {"name", "host"}, {"platform", "linux"}}));
    EXPECT_EQ(only("/v1/uploads").body,
              R"({"bytes":2097152,"content_type":"image/png","sha256":")" + sha +
                  R"(","workspace_id":")" + SyncService::workspaceID + R"("})");

    // Storage gets the headers the upload ticket names and nothing else of the client's.
    const auto put = only("/storage/" + std::string(SyncService::workspaceID) + "/" + sha);
    EXPECT_EQ(put.method, "PUT");
    EXPECT_EQ(put.bytes, file.size());
    std::set<std::string> names;
    for (const auto& [name, value] : put.headers)
        names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"Host", "Content-Type", "Content-Length"}));
    EXPECT_EQ(put.header("Content-Type"), "image/png");
    const auto get = only("/storage/" + std::string(SyncService::workspaceID) + "/" + stored);
    names.clear();
    for (const auto& [name, value] : get.headers)
        names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"Host"}));
}

TEST_F(SyncClientTest, OneThreadKeepsItsConnection) {
    client.me();
    client.me();
    client.reconcile({});
    std::set<std::string> peers;
    for (const auto& request : service.requests())
        peers.insert(request.peer);
    EXPECT_EQ(peers.size(), 1u);
}

TEST_F(SyncClientTest, ARejectedSessionIsAnExpiredSession) {
    const std::string stored = service.storeBlob("stored file");
    const std::vector<std::pair<std::string, std::function<void(SyncClient&)>>> calls = {
        {"me",
         [](SyncClient& c) {
             c.me();
         }},
        {"registerDevice",
         [](SyncClient& c) {
             c.registerDevice("d1", "n", "linux", "1.0");
         }},
        {"sync",
         [](SyncClient& c) {
             c.sync(syncBody());
         }},
        {"reconcile",
         [](SyncClient& c) {
             c.reconcile({});
         }},
        {"ensureUploaded",
         [](SyncClient& c) {
             c.ensureUploaded(SyncService::workspaceID, bytesOf("x"), ContentHash::sha256("x"),
                              "image/png");
         }},
        {"downloadBlob",
         [&](SyncClient& c) {
             c.downloadBlob(SyncService::workspaceID, stored);
         }},
    };
    SyncClient signedOut(service.baseURL(), std::nullopt);
    service.expireToken();
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        EXPECT_EQ(thrown([&] { call(client); }), SyncError::unauthorized());
        EXPECT_EQ(thrown([&] { call(signedOut); }), SyncError::unauthorized());
    }
    for (const auto& request : service.requests()) {
        if (request.header("Authorization")) {
            EXPECT_EQ(request.header("Authorization"), "Bearer " + *client.token());
        }
    }
    EXPECT_TRUE(client.token()); // the client keeps its token; the engine decides

    // The sign-out reports nothing, whatever the answer.
    client.signOut();
    service.inject({.route = "/api/auth/sign-out", .status = 500});
    client.signOut();
    SyncClient nowhere("http://127.0.0.1:1", "t");
    nowhere.signOut();
}

TEST_F(SyncClientTest, DeviceCodeSignInEndsAsTheBrowserDecides) {
    struct Case {
        std::string name;
        std::function<void()> decide;
        DevicePoll::Kind outcome;
    };
    const std::vector<Case> cases = {
        {"approved", [&] { service.approve(); }, DevicePoll::Kind::token},
        {"denied", [&] { service.deny(); }, DevicePoll::Kind::denied},
        {"expired", [&] { service.expireCode(); }, DevicePoll::Kind::expired},
        {"slowed down", [&] { service.slowDown(1); }, DevicePoll::Kind::slowDown},
        {"undecided", [] {}, DevicePoll::Kind::pending},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const DeviceCode code = client.requestDeviceCode();
        EXPECT_EQ(code.verificationURIComplete,
                  code.verificationURI + "?user_code=" + code.userCode);
        EXPECT_EQ(client.pollDeviceToken(code).kind, DevicePoll::Kind::pending);
        test.decide();
        const DevicePoll poll = client.pollDeviceToken(code);
        EXPECT_EQ(poll.kind, test.outcome);
        if (poll.kind == DevicePoll::Kind::token) {
            SyncClient signedIn(service.baseURL(), poll.token);
            EXPECT_EQ(signedIn.me().user.id, SyncService::userID);
        }
    }
}

TEST_F(SyncClientTest, UploadsSendTheBytesOnlyWhenTheServiceLacksThem) {
    const std::string file = "png bytes";
    const std::string sha = ContentHash::sha256(file);
    client.ensureUploaded(SyncService::workspaceID, bytesOf(file), sha, "image/png");
    EXPECT_EQ(service.requests().size(), 3u); // request, storage, complete
    service.clearRequests();
    client.ensureUploaded(SyncService::workspaceID, bytesOf(file), sha, "image/png");
    EXPECT_EQ(service.requests().size(), 1u); // "exists"
    EXPECT_EQ(client.downloadBlob(SyncService::workspaceID, sha), file);

    // Storage refusing the bytes ends the upload before it is confirmed.
    service.clearRequests();
    service.inject({.route = "/storage/*", .status = 500});
    const std::string other = "other bytes";
    EXPECT_EQ(thrown([&] {
                  client.ensureUploaded(SyncService::workspaceID, bytesOf(other),
                                        ContentHash::sha256(other), "image/png");
              }),
              SyncError::server(500, "storage refused the upload"));
    EXPECT_EQ(service.requests().size(), 2u);

    // Switched off, in a ticket or as an error status.
    for (int status : {200, 403, 503}) {
        SCOPED_TRACE(status);
        service.configure({{"uploads_enabled", false}, {"uploads_disabled_status", status}});
        EXPECT_EQ(thrown([&] {
                      client.ensureUploaded(SyncService::workspaceID, bytesOf(other),
                                            ContentHash::sha256(other), "image/png");
                  }),
                  SyncError::uploadsDisabled());
    }
}

TEST_F(SyncClientTest, DownloadsAreCheckedAgainstTheirHash) {
    const std::string sha = service.storeBlob("the stored file");
    service.configure({{"corrupt_downloads", true}});
    EXPECT_EQ(thrown([&] { client.downloadBlob(SyncService::workspaceID, sha); }),
              SyncError::server(0, "downloaded bytes don't match their hash"));
    service.configure({{"corrupt_downloads", false}});
    service.inject({.route = "/storage/*", .status = 404});
    EXPECT_EQ(thrown([&] { client.downloadBlob(SyncService::workspaceID, sha); }),
              SyncError::server(404, "storage refused the download"));
    EXPECT_EQ(client.downloadBlob(SyncService::workspaceID, sha), "the stored file");

    // What would not be a plain path segment is refused before anything is sent.
    service.clearRequests();
    std::string upper = sha;
    for (auto& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    for (auto [workspace, hash] : std::vector<std::pair<std::string, std::string>>{
             {"..", sha},
             {"a/b", sha},
             {"", sha},
             {SyncService::workspaceID, upper},
             {SyncService::workspaceID, sha.substr(1)},
             {SyncService::workspaceID, "../" + sha.substr(3)}}) {
        SCOPED_TRACE(workspace + " " + hash);
        EXPECT_EQ(thrown([&] { client.downloadBlob(workspace, hash); }), SyncError::decode());
    }
    EXPECT_TRUE(service.requests().empty());
}

TEST_F(SyncClientTest, ErrorRepliesCarryTheServersWords) {
    struct Case {
        int status;
        json body;
        SyncError error;
    };
    const std::vector<Case> cases = {
        {503, "not json", SyncError::server(503, "Service Unavailable")},
        {503, {{"message", "down for upkeep"}}, SyncError::server(503, "down for upkeep")},
        {409,
         {{"error", {{"message", "inner"}}}, {"message", "outer"}},
         SyncError::server(409, "inner")},
        {500, {{"error", "text"}, {"message", "outer"}}, SyncError::server(500, "outer")},
        {429, {{"error", {{"code", "uploads_disabled"}}}}, SyncError::uploadsDisabled()},
        {401, {{"error", {{"code", "uploads_disabled"}}}}, SyncError::unauthorized()},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.status);
        service.inject({.route = "/v1/me", .status = test.status, .body = test.body});
        EXPECT_EQ(thrown([&] { client.me(); }), test.error);
    }
    // A sync reply must be an object.
    service.inject({.route = "/v1/sync", .status = 200, .body = json::array()});
    EXPECT_EQ(thrown([&] { client.sync(syncBody()); }), SyncError::decode());
}

TEST_F(SyncClientTest, TimeLimitsEndHangingRequestsInSeconds) {
    SyncClient quick(service.baseURL(), client.token(), makeCurlTransport(),
                     {.requestIdle = 1s, .fetchIdle = 1s, .transfer = 3s, .streamIdle = 1s});
    const std::string sha = service.storeBlob("file");
    struct Case {
        std::string name;
        SyncService::Fault fault;
        std::function<void()> call;
        std::string error; // what() of the error thrown
    };
    const std::string timedOut = SyncError::offline("The request timed out.").what();
    const std::vector<Case> cases = {
        {"silent API call", {.route = "/v1/me", .hang = 30}, [&] { quick.me(); }, timedOut},
        {"API reply that trickles",
         {.route = "/v1/me", .status = 200, .trickle = 0.3},
         [&] { quick.me(); },
         timedOut},
        {"silent storage",
         {.route = "/storage/*", .hang = 30},
         [&] { quick.downloadBlob(SyncService::workspaceID, sha); },
         "The request timed out."},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        service.inject(test.fault);
        const auto start = Clock::now();
        std::string what;
        try {
            test.call();
        } catch (const std::exception& error) {
            what = error.what();
        }
        EXPECT_EQ(what, test.error);
        EXPECT_LT(Clock::now() - start, 8s);
    }
    // Slow but moving is not idle: a reply that keeps coming within the idle limit is read.
    EXPECT_EQ(quick.me().user.id, SyncService::userID);
}

TEST_F(SyncClientTest, AStopRequestEndsACallInFlight) {
    service.inject({.route = "/v1/sync", .hang = 30});
    std::stop_source stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stop.request_stop();
    });
    const auto start = Clock::now();
    auto error = thrown([&] { client.sync(syncBody(), stop.get_token()); });
    stopper.join();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), SyncError::Code::offline);
    EXPECT_LT(Clock::now() - start, 3s);
}

TEST_F(SyncClientTest, RedirectsStayOnTheWebAndKeepTheTokenAtHome) {
    const std::string port = std::to_string(service.port());
    // To another path of the same host: followed, with the token.
    service.inject({.route = "/v1/me",
                    .status = 307,
                    .headers = {{"Location", service.baseURL() + "/v1/me?again=1"}}});
    EXPECT_EQ(client.me().user.id, SyncService::userID);
    auto requests = service.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].query, "again=1");
    EXPECT_EQ(requests[1].header("Authorization"), "Bearer " + *client.token());

    // To another host name, even of the same address: not followed, and said so.
    service.clearRequests();
    service.inject({.route = "/v1/me",
                    .status = 307,
                    .headers = {{"Location", "http://localhost:" + port + "/v1/me"}}});
    EXPECT_EQ(thrown([&] { client.me(); }),
              SyncError::server(307, "redirected to another site, http://localhost:" + port));
    EXPECT_EQ(service.requests().size(), 1u);

    // Anything but http and https is refused too, as a redirect or as the service's own address.
    for (const auto& [location, origin] : std::vector<std::pair<std::string, std::string>>{
             {"file:///etc/passwd", "file://"},
             {"ftp://127.0.0.1/x", "ftp://127.0.0.1:21"},
             {"gopher://x/", "gopher://x:70"},
             // Never echoed: the text is the other site's, and may carry what it was given.
             {"http://[::1/?session=" + *client.token(), "an address that is not a URL"}}) {
        SCOPED_TRACE(location);
        service.inject({.route = "/v1/me", .status = 302, .headers = {{"Location", location}}});
        EXPECT_EQ(thrown([&] { client.me(); }),
                  SyncError::server(302, "redirected to another site, " + origin));
    }
    SyncClient local("file:///etc", "t");
    auto error = thrown([&] { local.me(); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), SyncError::Code::offline);
}

TEST_F(SyncClientTest, BodiesWithTextThatIsNotUTF8AreStillSent) {
    json body = syncBody();
    body["changes"].push_back(
        {{"table", "captures"},
         {"id", "c1"},
         {"base_version", 0},
         {"patch",
          {{"workspace_id", SyncService::workspaceID}, {"note", "half a character: \xE2\x82"}}}});
    const json reply = client.sync(body).fields();
    ASSERT_EQ(reply.at("results").size(), 1u);
    EXPECT_EQ(reply["results"][0]["status"], "applied");
    const auto row = service.inspect("state")["tables"]["captures"]["c1"];
    EXPECT_EQ(row["note"], "half a character: \uFFFD");
}

TEST_F(SyncClientTest, TheEventStreamDeliversChangesUntilStopped) {
    const HttpRequest request = client.events();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.url, service.baseURL() + "/v1/events");
    EXPECT_EQ(request.bearer, client.token());
    EXPECT_EQ(request.idleTimeout, 3600s);
    EXPECT_EQ(request.transferLimit, std::nullopt);
    EXPECT_EQ(request.headers,
              (std::vector<std::pair<std::string, std::string>>{{"Accept", "text/event-stream"}}));
    EXPECT_EQ(client.events(SyncService::workspaceID).url,
              service.baseURL() + "/v1/events?workspace=" + SyncService::workspaceID);
    EXPECT_EQ(client.events("a&b=c").url, service.baseURL() + "/v1/events");
    EXPECT_TRUE(service.requests().empty()); // building sends nothing

    std::mutex mutex;
    std::string received;
    std::stop_source stop;
    HttpResponse response;
    std::thread reader([&] {
        response = client.transport().stream(
            request,
            [&](std::string_view piece) {
                std::lock_guard lock(mutex);
                received += piece;
            },
            stop.get_token());
    });
    auto waitFor = [&](std::string_view text) {
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            {
                std::lock_guard lock(mutex);
                if (received.find(text) != std::string::npos)
                    return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    };
    EXPECT_TRUE(waitFor(": connected"));
    service.writeAsOtherDevice("captures",
                               {{"id", "c9"}, {"workspace_id", SyncService::workspaceID}});
    EXPECT_TRUE(waitFor("event: change\n"));
    const auto start = Clock::now();
    stop.request_stop();
    reader.join();
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(response.status, 200);

    // A stream the service refuses gives its status and body, never pieces.
    SyncClient signedOut(service.baseURL(), std::nullopt);
    bool called = false;
    const HttpResponse refused = signedOut.transport().stream(
        signedOut.events(), [&](std::string_view) { called = true; }, {});
    EXPECT_EQ(refused.status, 401);
    EXPECT_FALSE(called);
    EXPECT_TRUE(json::accept(refused.body));
}

namespace {

// Every request gets a reply larger than the transport takes.
class OversizedReplies final : public HttpTransport {
public:
    HttpResponse send(const HttpRequest&, std::stop_token) override {
        throw TransportError(TransportError::Kind::tooLarge, "The reply is too large.");
    }
    HttpResponse stream(const HttpRequest&, const std::function<void(std::string_view)>&,
                        std::stop_token) override {
        throw TransportError(TransportError::Kind::tooLarge, "The reply is too large.");
    }
};

} // namespace

TEST_F(SyncClientTest, AReplyTooLargeIsSaidSoAndADownloadStopsAtItsBound) {
    SyncClient oversized(service.baseURL(), "token", std::make_shared<OversizedReplies>());
    EXPECT_EQ(thrown([&] { oversized.me(); }), SyncError::tooLarge()) << "not offline";

    const std::string file = "eleven byte";
    const std::string sha = service.storeBlob(file);
    struct Case {
        const char* name;
        std::optional<SyncService::Fault> fault;
    };
    const std::vector<Case> cases = {
        {"a length announced beyond the bound", std::nullopt},
        {"a body that never ends",
         SyncService::Fault{.route = "/storage/*", .status = 200, .trickle = 0.001, .count = -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.clearFaults();
        if (c.fault)
            service.inject(*c.fault);
        try {
            client.downloadBlob(SyncService::workspaceID, sha, {}, 4);
            ADD_FAILURE() << "the download was taken";
        } catch (const TransportError& error) {
            EXPECT_EQ(error.kind(), TransportError::Kind::tooLarge) << error.what();
        }
    }
    service.clearFaults();
    EXPECT_EQ(client.downloadBlob(SyncService::workspaceID, sha, {}, file.size()), file);
}

// The reply is held once, in one piece, while it is read and split into its rows, however small
// its rows are; one whose text must be mended is held twice while it is.
TEST_F(SyncClientTest, AReplyIsHeldAboutOnceWhileItIsRead) {
    const auto mended = [](std::size_t bytes) {
        std::string body = capturePullReply(bytes);
        body[body.find("Firefox")] = '\xC6';
        return body;
    };
    const struct {
        const char* shape;
        std::function<std::string(std::size_t)> reply;
        double times;
    } cases[] = {
        {"captures", &capturePullReply, 1.3},
        {"group members", &memberPullReply, 1.3},
        {"a byte that is not UTF-8", mended, 2.2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        double replyMiB = 0;
        {
            const std::string body = c.reply(40'000'000);
            service.inject({.route = "/v1/sync", .status = 200, .rawBody = body});
            replyMiB = double(body.size()) / (1 << 20);
        }
        const MemoryPeak peak;
        {
            const SyncReply read = client.sync(syncBody());
            ASSERT_GT(read.changeCount(), 100'000u);
            EXPECT_TRUE(read.change(read.changeCount() - 1).contains("row"));
        }
        EXPECT_LT(peak.aboveStartMiB(), c.times * replyMiB)
            << peak.aboveStartMiB() << " MiB held for " << replyMiB << " MiB";
    }
}
