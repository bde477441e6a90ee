// The reply readers against mutated replies: whatever the service sends, a reader returns or
// throws SyncError, and nothing else escapes.
#include "model/Wire.h"
#include "sync/SyncProtocol.h"

#include <gtest/gtest.h>

#include <random>

using namespace tavro;
namespace P = tavro::SyncProtocol;

namespace {

const std::vector<std::string> seeds = {
    R"({"device_code":"d","user_code":"ABCD","verification_uri":"https://tavro.dev/device","verification_uri_complete":"https://tavro.dev/device?c=1","interval":5,"expires_in":900})",
    R"({"access_token":"t","error":"authorization_pending","code":"slow_down","message":"m"})",
    R"({"user":{"id":"u1","name":"Mira","email":"m@x.dev","image":"https://x.dev/i.png","kind":"person"},"workspaces":[{"id":"w1","name":"Team","slug":"team","role":"owner","settings":{"a":[1,2,{"b":null}]}}],"features":{"uploads":true}})",
    R"({"results":[{"id":"c1","status":"applied","version":3}],"people":[{"id":"u2"}],"changes":[{"table":"captures","row":{"id":"c1"}}],"cursor":"12","more":true})",
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
                (void)P::objects(Wire::field(P::readSyncReply(reply), "changes"));
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
