#include "ThrownSyncError.h"
#include "model/Wire.h"
#include "sync/ContentHash.h"
#include "sync/SyncProtocol.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tavro;
using nlohmann::json;
using tavro::test::thrown;
namespace P = tavro::SyncProtocol;

namespace {

const std::string base = "https://api.tavro.dev";

std::vector<json> objectChanges(const SyncReply& reply) {
    std::vector<json> out;
    for (size_t i = 0; i < reply.changeCount(); ++i)
        if (auto change = reply.change(i); change.is_object())
            out.push_back(std::move(change));
    return out;
}

} // namespace

TEST(SyncError, TextsAreTheUsersOwn) {
    struct Case {
        SyncError error;
        std::string text;
    };
    const Case cases[] = {
        {SyncError::offline("Could not connect to server"),
         "Can't reach tavro.dev \u2014 Could not connect to server"},
        {SyncError::server(0, "storage refused the download"),
         "Server error 0: storage refused the download"},
        {SyncError::server(503, "Service Unavailable"), "Server error 503: Service Unavailable"},
        {SyncError::unauthorized(), "Your session has expired. Sign in again to keep syncing."},
        {SyncError::decode(), "Unexpected reply from the server."},
        {SyncError::uploadsDisabled(), "Screenshot uploads are switched off on this server."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.error.what(), c.text);
    EXPECT_STREQ(SignInError(SignInError::Code::denied).what(),
                 "The sign-in was denied in the browser.");
    EXPECT_STREQ(SignInError(SignInError::Code::expired).what(),
                 "That code expired. Start again to get a new one.");
}

TEST(SyncProtocol, ErrorRepliesAreMappedByStatusAndBody) {
    struct Case {
        long status;
        std::string body;
        SyncError expected;
    };
    const Case cases[] = {
        {401, R"({"error":{"code":"uploads_disabled"}})", SyncError::unauthorized()},
        {403, R"({"error":{"code":"uploads_disabled","message":"x"}})",
         SyncError::uploadsDisabled()},
        {500, R"({"error":{"message":"boom","code":"e"},"message":"outer"})",
         SyncError::server(500, "boom")},
        {503, R"({"message":"maintenance"})", SyncError::server(503, "maintenance")},
        {503, R"({"error":"text is passed over","message":"outer"})",
         SyncError::server(503, "outer")},
        {503, "<html>busy</html>", SyncError::server(503, "Service Unavailable")},
        {404, R"({"error":{"message":5}})", SyncError::server(404, "Not Found")},
        {418, "", SyncError::server(418, "Client Error")},
        {409, R"([{"message":"array"}])", SyncError::server(409, "Conflict")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(P::errorReply(c.status, c.body), c.expected) << c.status << " " << c.body;
}

TEST(SyncProtocol, DeviceCodeReplies) {
    const Seconds now = 1000;
    struct Case {
        std::string body;
        std::optional<DeviceCode> expected; // nothing: decode error
    };
    const Case cases[] = {
        {R"({"device_code":"d","user_code":"ABCD-EFGH","verification_uri":"https://tavro.dev/device",)"
         R"("verification_uri_complete":"https://tavro.dev/device?c=1","interval":5,"expires_in":900})",
         DeviceCode{"d", "ABCD-EFGH", "https://tavro.dev/device", "https://tavro.dev/device?c=1", 5,
                    1900}},
        {R"({"device_code":"d","user_code":"U","verification_uri":"https://tavro.dev/device","interval":1})",
         DeviceCode{"d", "U", "https://tavro.dev/device", "https://tavro.dev/device?user_code=U", 2,
                    1060}},
        {R"({"device_code":"d","user_code":"U","interval":"5","expires_in":"nan"})",
         DeviceCode{"d", "U", base, base + "?user_code=U", 5, 1060}},
        {R"({"device_code":"d"})", std::nullopt},
        {R"({"device_code":"d","user_code":7})", std::nullopt},
        {R"(["device_code"])", std::nullopt},
        {"not json", std::nullopt},
        // Addresses come from the server: only web pages, never a file or another scheme.
        {R"({"device_code":"d","user_code":"U","verification_uri_complete":"file:///etc/passwd"})",
         std::nullopt},
        {R"({"device_code":"d","user_code":"U","verification_uri":"javascript:void"})",
         std::nullopt},
        {R"({"device_code":"d","user_code":"U","verification_uri":"https:///nohost"})",
         std::nullopt},
    };
    for (const auto& c : cases) {
        if (c.expected) {
            EXPECT_EQ(P::readDeviceCode(c.body, base, now), *c.expected) << c.body;
        } else {
            auto error = thrown([&] { P::readDeviceCode(c.body, base, now); });
            ASSERT_TRUE(error) << c.body;
            EXPECT_EQ(*error, SyncError::decode()) << c.body;
        }
    }
}

TEST(SyncProtocol, DevicePollReadsEveryStatus) {
    using Kind = DevicePoll::Kind;
    struct Case {
        long status;
        std::string body;
        std::optional<DevicePoll> expected; // nothing: the error below
        std::optional<SyncError> error;
    };
    const Case cases[] = {
        {200, R"({"access_token":"t1"})", DevicePoll{Kind::token, "t1"}, {}},
        {400, R"({"error":"authorization_pending"})", DevicePoll{Kind::pending, {}}, {}},
        {400, R"({"code":"slow_down"})", DevicePoll{Kind::slowDown, {}}, {}},
        {403, R"({"error":"access_denied"})", DevicePoll{Kind::denied, {}}, {}},
        {400, R"({"error":"expired_token"})", DevicePoll{Kind::expired, {}}, {}},
        {400, R"({"error":"something_new"})", DevicePoll{Kind::pending, {}}, {}},
        {400, "garbage", DevicePoll{Kind::pending, {}}, {}},
        {500, "", {}, SyncError::server(500, "device token")},
        {200, "{}", {}, SyncError::server(200, "device token")},
        {502,
         R"({"error":"x","message":"bad gateway"})",
         {},
         SyncError::server(502, "bad gateway")},
    };
    for (const auto& c : cases) {
        if (c.expected) {
            EXPECT_EQ(P::readDevicePoll(c.status, c.body), *c.expected) << c.body;
        } else {
            auto error = thrown([&] { P::readDevicePoll(c.status, c.body); });
            ASSERT_TRUE(error) << c.body;
            EXPECT_EQ(*error, *c.error) << c.body;
        }
    }
}

TEST(SyncProtocol, AccountKeepsEveryWellFormedWorkspace) {
    const auto info = P::readAccount(
        R"({"user":{"id":"auth0|1","email":"m@x.dev","image":"https://x.dev/m.png"},)"
        R"("workspaces":[{"id":"w1","name":"Team","slug":"team","settings":{"b":1,"a":2}},)"
        R"(7,"text",{"id":"w2","name":"No slug"},)"
        R"({"id":"w3","name":"Ops","slug":"ops","role":"owner","settings":null}],)"
        R"("features":{"uploads":true,"beta":1,"dark":false}})");
    EXPECT_EQ(info.user, (Person{.id = "auth0|1",
                                 .name = "You",
                                 .email = "m@x.dev",
                                 .imageURL = "https://x.dev/m.png",
                                 .kind = "person"}));
    EXPECT_EQ(info.workspaces, (std::vector<Workspace>{
                                   {.id = "w1",
                                    .name = "Team",
                                    .slug = "team",
                                    .role = "member",
                                    .settingsJSON = R"({"a":2,"b":1})"},
                                   {.id = "w3", .name = "Ops", .slug = "ops", .role = "owner"}}));
    EXPECT_EQ(info.features, (std::map<std::string, bool>{{"dark", false}, {"uploads", true}}));

    for (const char* body :
         {R"({"workspaces":[]})", R"({"user":{"name":"x"}})", R"({"user":"u1"})", "[]", "{"}) {
        auto error = thrown([&] { P::readAccount(body); });
        ASSERT_TRUE(error) << body;
        EXPECT_EQ(*error, SyncError::decode()) << body;
    }
    EXPECT_TRUE(
        P::readAccount(R"({"user":{"id":"u"},"workspaces":{"id":"w"}})").workspaces.empty());
}

TEST(SyncProtocol, ListsKeepTheirObjectElements) {
    const auto reply = P::readSyncReply(
        R"({"changes":[{"table":"captures","row":{}},null,3,{"table":"groups"}],"results":"x"})");
    const auto changes = objectChanges(reply);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1]["table"], "groups");
    EXPECT_TRUE(P::objects(Wire::field(reply.fields(), "results")).empty());
    EXPECT_TRUE(P::objects(Wire::field(reply.fields(), "people")).empty());
    EXPECT_EQ(thrown([] { P::readSyncReply("[1]"); }), SyncError::decode());

    EXPECT_EQ(P::readReconciliation(R"({"drop":["c1",5,"c2"]})"),
              (Reconciliation{{"c1", "c2"}, {}}));
    EXPECT_EQ(thrown([] { P::readReconciliation("null"); }), SyncError::decode());
}

TEST(SyncProtocol, SyncRepliesKeepTheirChangesApartFromTheirFields) {
    const struct {
        std::string body;
        json fields;
        std::vector<json> changes;
    } cases[] = {
        {R"({"changes":[{"table":"captures","row":{"id":"c1"}},null,3,"[x]",[]],"more":true})",
         {{"more", true}},
         {{{"table", "captures"}, {"row", {{"id", "c1"}}}}, nullptr, 3, "[x]", json::array()}},
        {" \n{ \"cursor\" : 7 ,\t\"changes\" : [ { \"a\" : \"}]\\\"\" } , 1.5e2 ] }\n",
         {{"cursor", 7}},
         {{{"a", "}]\""}}, 150.0}},
        {R"({"changes":[],"results":[{"id":"c1"}]})", {{"results", {{{"id", "c1"}}}}}, {}},
        {R"({"changes":{"table":"captures"},"cursor":1})",
         {{"changes", {{"table", "captures"}}}, {"cursor", 1}},
         {}},
        {R"({"changes":[1],"changes":[2,3]})", json::object(), {2, 3}},
        {R"({"changes":[1],"changes":null})", {{"changes", nullptr}}, {}},
        {R"({"chang\u0065s":[true],"\u00fcber":"x"})",
         {{"\xC3\xBC"
           "ber",
           "x"}},
         {true}},
        {"{}", json::object(), {}},
    };
    for (const auto& [body, fields, changes] : cases) {
        SCOPED_TRACE(body);
        const auto reply = P::readSyncReply(body);
        EXPECT_EQ(reply.fields(), fields);
        ASSERT_EQ(reply.changeCount(), changes.size());
        for (size_t i = 0; i < changes.size(); ++i)
            EXPECT_EQ(reply.change(i), changes[i]);
    }

    for (const std::string& refused : std::vector<std::string>{
             "", "[1]", "null", "\"x\"", R"({"changes":[1,]})", R"({"changes":[{"a":1}])",
             R"({"changes":[1]} x)",
             "{\"changes\":" + std::string(600, '[') + std::string(600, ']') + "}"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(thrown([&] { P::readSyncReply(refused); }), SyncError::decode());
    }
}

TEST(SyncProtocol, RepliesReadBytesThatAreNotUTF8AsReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    const struct {
        std::string sent, read;
    } cases[] = {
        {"caf\xC3\xA9 \xF0\x9F\x90\x9B", "caf\xC3\xA9 \xF0\x9F\x90\x9B"},
        {"a\xFF"
         "b",
         "a" + replacement + "b"},
        {"\xC0\xAF", replacement + replacement},
        {"x\xE2\x82", "x" + replacement},
        {"\xED\xA0\x80", replacement + replacement + replacement},
    };
    for (const auto& [sent, read] : cases) {
        SCOPED_TRACE(sent);
        const std::string body = R"({"changes":[{"table":"captures","row":{"note":")" + sent +
                                 R"("}}],"people":[],"more":false})";
        const auto changes = objectChanges(P::readSyncReply(body));
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0]["row"]["note"], read);
        EXPECT_EQ(P::errorReply(500, R"({"message":")" + sent + R"("})"),
                  SyncError::server(500, read));
    }
}

TEST(SyncProtocol, UploadTicketsAndBlobLocations) {
    struct Case {
        std::string body;
        std::optional<UploadTicket> expected;
        std::optional<SyncError> error;
    };
    const Case cases[] = {
        {R"({"status":"exists","url":"file:///x"})", UploadTicket{.exists = true}, {}},
        {R"({"url":"https://store.example/put?sig=1"})",
         UploadTicket{.url = "https://store.example/put?sig=1"},
         {}},
        {R"({"url":"http://127.0.0.1:9000/b","method":"POST","headers":{"x-sig":"1"}})",
         UploadTicket{
             .url = "http://127.0.0.1:9000/b", .method = "POST", .headers = {{"x-sig", "1"}}},
         {}},
        {R"({"url":"https://s.example/b","headers":{"x-sig":"1","n":2}})",
         UploadTicket{.url = "https://s.example/b"},
         {}},
        {R"({"error":{"code":"uploads_disabled"}})", {}, SyncError::uploadsDisabled()},
        {R"({"url":"file:///home/me/.ssh/id_rsa"})", {}, SyncError::decode()},
        {R"({"url":"ftp://s.example/b"})", {}, SyncError::decode()},
        {R"({"url":"https://"})", {}, SyncError::decode()},
        {R"({"status":"ok"})", {}, SyncError::decode()},
        // Storage's method and headers go out as they come: nothing that could end a line.
        {R"({"url":"https://s.example/b","method":"PUT /x HTTP/1.1\r\nHost: evil"})",
         {},
         SyncError::decode()},
        {R"({"url":"https://s.example/b","method":""})", {}, SyncError::decode()},
        {R"({"url":"https://s.example/b","headers":{"x-sig":"1\r\nAuthorization: x"}})",
         {},
         SyncError::decode()},
        {R"({"url":"https://s.example/b","headers":{"bad name":"1"}})", {}, SyncError::decode()},
    };
    for (const auto& c : cases) {
        if (c.expected) {
            EXPECT_EQ(P::readUploadTicket(c.body), *c.expected) << c.body;
        } else {
            EXPECT_EQ(thrown([&] { P::readUploadTicket(c.body); }), c.error) << c.body;
        }
    }
    EXPECT_EQ(P::readBlobLocation(R"({"url":"https://s.example/get?sig=2"})"),
              "https://s.example/get?sig=2");
    for (const char* body : {R"({"url":"file:///etc/passwd"})", R"({"url":7})", "{}",
                             R"({"url":"https://s.example/a b"})"})
        EXPECT_EQ(thrown([&] { P::readBlobLocation(body); }), SyncError::decode()) << body;
}

TEST(SyncProtocol, OnlyWebAddressesAndSafeBlobPaths) {
    struct Case {
        const char* url;
        bool web;
    };
    const Case cases[] = {
        {"https://tavro.dev", true},
        {"HTTP://127.0.0.1:8080/x", true},
        {"https://user@host/x", true},
        {"http://[::1]:9/x", true},
        {"file:///etc/passwd", false},
        {"https:/host", false},
        {"https://", false},
        {"https://:443/x", false},
        {"https://user@/x", false},
        {"gopher://host", false},
        {"https://host/a\nb", false},
        {"https://ho st", false},
        {"", false},
        {"http://[::1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(P::isWebURL(c.url), c.web) << c.url;

    const std::string hash(64, 'a');
    EXPECT_EQ(P::blobPath("w-1", hash), "/v1/blobs/w-1/" + hash);
    EXPECT_FALSE(P::blobPath("../w", hash));
    EXPECT_FALSE(P::blobPath("w?x=1", hash));
    EXPECT_FALSE(P::blobPath("", hash));
    EXPECT_FALSE(P::blobPath("w", std::string(64, 'A')));
    EXPECT_FALSE(P::blobPath("w", hash.substr(1)));
    EXPECT_FALSE(P::blobPath("w", "../" + hash.substr(3)));
}

TEST(SyncProtocol, BodiesAreSortedAndNeverFailOnTextThatIsNotUTF8) {
    const json body = {{"b", 1}, {"a", std::string("note \xFF\xFE end")}};
    EXPECT_EQ(P::serialize(body), "{\"a\":\"note \xEF\xBF\xBD\xEF\xBF\xBD end\",\"b\":1}");
}

TEST(ContentHash, IsLowerCaseHexSHA256) {
    EXPECT_EQ(ContentHash::sha256(std::string_view()),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(ContentHash::sha256(std::string_view("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}
