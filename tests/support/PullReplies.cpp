#include "PullReplies.h"

#include "SyncService.h"

namespace tavro::test {

namespace {

template <class Row> std::string pullReply(std::size_t bytes, Row row) {
    std::string body = R"({"changes":[)";
    body.reserve(bytes + 4096);
    for (long long i = 0; body.size() < bytes; ++i) {
        if (i > 0)
            body += ',';
        body += row(i);
    }
    body += R"(],"cursor":7,"more":false})";
    return body;
}

} // namespace

std::string capturePullReply(std::size_t bytes) {
    return pullReply(bytes, [](long long i) {
        return R"({"table":"captures","row":{"id":"00000000-0000-4000-8000-)" +
               std::to_string(100'000'000'000 + i) + R"(","workspace_id":")" +
               SyncService::workspaceID + R"(","note":"Capture )" + std::to_string(i) +
               R"(\nSteps: open the cart, press Pay.","app_name":"Firefox",)"
               R"("window_title":"Cart","status":"open","priority":"normal","version":3,)"
               R"("created_at":"2026-01-02T03:04:05.000Z",)"
               R"("updated_at":"2026-01-02T03:04:05.000Z"}})";
    });
}

std::string memberPullReply(std::size_t bytes) {
    return pullReply(bytes, [](long long i) {
        return R"({"table":"group_members","row":{"group_id":"g)" + std::to_string(i / 1000) +
               R"(","user_id":"u)" + std::to_string(i) + R"("}})";
    });
}

} // namespace tavro::test
