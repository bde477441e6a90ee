// The stand-in's side of the sync exchange, as two devices of one account see it through the
// real client: the engine's tests lean on these answers.
#include "SyncService.h"
#include "sync/SyncClient.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace tavro;
using namespace tavro::test;
using nlohmann::json;

namespace {

constexpr const char* captureID = "20000000-0000-4000-8000-000000000001";

json captureRecord(const json& patch, std::int64_t base = 0) {
    return {{"table", "captures"}, {"id", captureID}, {"base_version", base}, {"patch", patch}};
}

json newCapture(std::string note = "Pay button does nothing") {
    return captureRecord({{"workspace_id", SyncService::workspaceID},
                          {"note", std::move(note)},
                          {"status", "open"},
                          {"tags", json::array()}});
}

class SyncServiceExchange : public ::testing::Test {
protected:
    SyncService service;
    SyncClient first{service.baseURL(), service.issueToken()};
    SyncClient second{service.baseURL(), service.issueToken()};

    static json exchange(SyncClient& client, const std::vector<json>& changes,
                         std::int64_t cursor = 0) {
        const auto reply = client.sync({{"device_id", "d1"},
                                        {"cursor", cursor},
                                        {"changes", json(changes)},
                                        {"full_groups", json::array()}});
        json whole = reply.fields();
        whole["changes"] = json::array();
        for (size_t i = 0; i < reply.changeCount(); ++i)
            whole["changes"].push_back(reply.change(i));
        return whole;
    }

    // The pulled rows of one table, by id.
    static std::map<std::string, json> pulled(const json& reply, std::string_view table) {
        std::map<std::string, json> rows;
        for (const auto& change : reply.at("changes"))
            if (change.at("table") == table)
                rows[change.at("row").at("id").get<std::string>()] = change.at("row");
        return rows;
    }
};

} // namespace

TEST_F(SyncServiceExchange, EachPushGetsTheOutcomeTheServiceDecides) {
    const json group = {
        {"table", "groups"},
        {"id", "30000000-0000-4000-8000-000000000002"},
        {"base_version", 0},
        {"patch", {{"workspace_id", SyncService::workspaceID}, {"name", "checkout"}}}};
    struct Case {
        const char* name;
        std::function<void()> before;
        json change;
        json expected; // the keys of the result that must match
    };
    const std::vector<Case> cases = {
        {"a new row is applied at version 1",
         [] {},
         newCapture(),
         {{"status", "applied"}, {"version", 1}}},
        {"an edit on the version it read is applied on top",
         [&] { exchange(second, {newCapture()}); },
         captureRecord({{"status", "done"}}, 1),
         {{"status", "applied"}, {"version", 2}}},
        {"an edit of a field changed since keeps the server's value",
         [&] {
             exchange(second, {newCapture()});
             exchange(second, {captureRecord({{"note", "theirs"}}, 1)});
         },
         captureRecord({{"note", "mine"}, {"status", "done"}}, 1),
         {{"status", "merged"}, {"version", 3}, {"conflicts", {"note"}}}},
        {"a new group named like a live one is remapped onto it",
         [&] {
             exchange(
                 second,
                 {{{"table", "groups"},
                   {"id", "30000000-0000-4000-8000-000000000001"},
                   {"base_version", 0},
                   {"patch", {{"workspace_id", SyncService::workspaceID}, {"name", "Checkout"}}}}});
         },
         group,
         {{"status", "remapped"}, {"canonical_id", "30000000-0000-4000-8000-000000000001"}}},
        {"a row the service is told to refuse is rejected with its retry",
         [&] {
             service.control("reject", {{"id", captureID}, {"reason", "busy"}, {"retry", true}});
         },
         newCapture(),
         {{"status", "rejected"}, {"reason", "busy"}, {"retry", true}}},
        {"a screenshot whose files are not stored asks to be sent again",
         [&] { exchange(second, {newCapture()}); },
         {{"table", "capture_images"},
          {"id", "40000000-0000-4000-8000-000000000001"},
          {"base_version", 0},
          {"patch", {{"capture_id", captureID}, {"original_sha256", std::string(64, 'a')}}}},
         {{"status", "rejected"}, {"retry", true}}},
        {"a new capture outside the user's workspaces is refused for good",
         [] {},
         captureRecord({{"workspace_id", "10000000-0000-4000-8000-00000000ffff"}}),
         {{"status", "rejected"}, {"retry", false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.control("reset");
        first.setToken(service.issueToken());
        second.setToken(service.issueToken());
        c.before();
        const auto reply = exchange(first, {c.change});
        ASSERT_EQ(reply.at("results").size(), 1u) << reply.dump();
        const auto& result = reply.at("results").at(0);
        EXPECT_EQ(result.at("id"), c.change.at("id"));
        for (const auto& [key, value] : c.expected.items())
            EXPECT_EQ(result.value(key, json()), value) << key << " in " << result.dump();
    }
}

TEST_F(SyncServiceExchange, AConflictLeavesBothTextsOnEveryDevice) {
    exchange(first, {newCapture()});
    exchange(first, {captureRecord({{"note", "Größe springt, seit 2.1"}}, 1)});
    const auto reply = exchange(second, {captureRecord({{"note", "Größe stimmt nicht"}}, 1)});
    EXPECT_EQ(reply.at("results").at(0).at("status"), "merged");

    const auto seenBySender = pulled(reply, "captures");
    ASSERT_TRUE(seenBySender.count(captureID)) << "the merged row goes back to its sender";
    EXPECT_EQ(seenBySender.at(captureID).at("note"), "Größe springt, seit 2.1");
    for (auto* client : {&first, &second}) {
        const auto comments = pulled(exchange(*client, {}), "comments");
        ASSERT_EQ(comments.size(), 1u);
        const auto& comment = comments.begin()->second;
        EXPECT_EQ(comment.at("kind"), "conflict");
        EXPECT_EQ(comment.at("capture_id"), captureID);
        EXPECT_EQ(comment.at("body"), "note: Größe stimmt nicht") << "kept as written";
    }
}

TEST_F(SyncServiceExchange, ARowOthersChangedTooComesBackToItsSender) {
    exchange(first, {newCapture()});
    const auto cursor = exchange(second, {}).at("cursor").get<std::int64_t>();
    exchange(first, {captureRecord({{"status", "done"}}, 1)});
    // Another field, so no conflict: the sender only learns the status from the pulled row.
    const auto reply = exchange(second, {captureRecord({{"note", "edited"}}, 1)}, cursor);
    EXPECT_EQ(reply.at("results").at(0).at("status"), "applied");
    const auto rows = pulled(reply, "captures");
    ASSERT_TRUE(rows.count(captureID));
    EXPECT_EQ(rows.at(captureID).at("status"), "done");
    EXPECT_EQ(rows.at(captureID).at("note"), "edited");

    const auto alone = exchange(second, {captureRecord({{"note", "again"}}, 3)},
                                reply.at("cursor").get<std::int64_t>());
    EXPECT_TRUE(pulled(alone, "captures").empty()) << "a row only its sender changed stays home";
}

TEST_F(SyncServiceExchange, PagesFollowTheCursorAndDeletionsReachTheOtherDevice) {
    service.configure({{"page_size", 2}});
    std::vector<json> changes;
    for (int i = 0; i < 5; ++i) {
        auto record = newCapture("capture " + std::to_string(i));
        record["id"] = "20000000-0000-4000-8000-00000000010" + std::to_string(i);
        changes.push_back(record);
    }
    exchange(first, changes);

    std::vector<std::string> seen;
    std::int64_t cursor = 0;
    for (int page = 0; page < 10; ++page) {
        const auto reply = exchange(second, {}, cursor);
        for (const auto& [id, row] : pulled(reply, "captures"))
            seen.push_back(id);
        EXPECT_LE(reply.at("changes").size(), 2u);
        cursor = reply.at("cursor").get<std::int64_t>();
        if (!reply.at("more").get<bool>())
            break;
    }
    EXPECT_EQ(seen.size(), 5u);

    const auto deleted = changes.at(0).at("id");
    const auto result = exchange(
        first, {{{"table", "captures"}, {"id", deleted}, {"base_version", 1}, {"delete", true}}});
    EXPECT_EQ(result.at("results").at(0).at("status"), "applied");
    const auto rows = pulled(exchange(second, {}, cursor), "captures");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows.at(deleted).at("deleted_at").is_string());
}
