#include "ExchangeFixture.h"

#include "sync/PushBatch.h"

using namespace tavro;
using namespace tavro::test;
using nlohmann::json;

namespace {

struct PushResults : ExchangeFixture {
    // A capture the service holds, with its note edited here since.
    std::string edited(const std::string& note) {
        const auto id = newCapture("first words");
        engine->syncNow();
        auto capture = *store.rawCapture(id);
        capture.note = note;
        store.update(capture);
        return id;
    }
    void reject(const std::string& id, bool retry, int count = -1) {
        service.control("reject",
                        {{"id", id}, {"reason", "busy"}, {"retry", retry}, {"count", count}});
    }
    // The next reply's one result.
    void answer(json result) {
        service.inject({.route = "/v1/sync", .status = 200, .body = {{"results", {result}}}});
    }
};

} // namespace

TEST_F(PushResults, EachOutcomeSettlesItsRow) {
    const std::string grouped = makeUUID(), canonical = makeUUID();
    struct Case {
        const char* name;
        std::function<std::string()> arrange; // gives the pushed row's id
        size_t requests;                      // in the pass that follows
        std::function<void(const std::string&)> check;
    } cases[] = {
        {"merged: the server's note stands, mine comes back as a conflict comment",
         [&] {
             const auto id = edited("mine");
             service.writeAsOtherDevice("captures", {{"id", id}, {"note", "theirs"}});
             return id;
         },
         1,
         [&](const std::string& id) {
             EXPECT_EQ(syncState("captures", id), "synced");
             EXPECT_EQ(store.rawCapture(id)->note, "theirs");
             EXPECT_EQ(store.comments(id).at(0).kind, "conflict");
             EXPECT_EQ(takeLog(),
                       std::vector<std::string>{"info: captures " + idTail(id) +
                                                ": the server's note stood; your version "
                                                "was kept alongside"});
         }},
        {"five retries, then a new capture leaves the workspace",
         [&] {
             const auto id = newCapture("never taken");
             reject(id, true);
             return id;
         },
         6,
         [&](const std::string& id) {
             EXPECT_FALSE(store.rawCapture(id)->workspaceID);
             EXPECT_EQ(takeLog(), std::vector<std::string>{"warn: captures " + idTail(id) +
                                                           " rejected: busy"});
         }},
        {"an edit refused for good keeps its local values",
         [&] {
             const auto id = edited("mine");
             reject(id, false);
             return id;
         },
         1,
         [&](const std::string& id) {
             EXPECT_EQ(syncState("captures", id), "synced");
             EXPECT_EQ(store.rawCapture(id)->note, "mine");
             EXPECT_EQ(takeLog().size(), 1u);
         }},
        {"a group the service has under another id takes its captures there",
         [&] {
             service.writeAsOtherDevice(
                 "groups",
                 {{"id", canonical}, {"workspace_id", SyncService::workspaceID}, {"name", "Bugs"}});
             const auto id = newGroup("Bugs");
             newCapture("in the group", id, grouped);
             return id;
         },
         1,
         [&](const std::string& id) {
             EXPECT_EQ(syncState("groups", id), "gone");
             EXPECT_EQ(store.rawCapture(grouped)->groupID, canonical);
         }},
        // Remaps of what is not a group, or of a group onto itself, neither delete nor stall.
        {"a remapped capture is given up like a refusal",
         [&] {
             const auto id = newCapture("not a group");
             answer({{"id", id}, {"status", "remapped"}, {"canonical_id", canonical}});
             return id;
         },
         1,
         [&](const std::string& id) {
             EXPECT_EQ(syncState("captures", id), "local");
             EXPECT_EQ(takeLog(), std::vector<std::string>{"warn: captures " + idTail(id) +
                                                           " rejected: remapped outside groups"});
         }},
        {"a group remapped onto its own id counts as taken",
         [&] {
             const auto id = newGroup("Ideas");
             answer({{"id", id}, {"status", "remapped"}, {"canonical_id", id}, {"version", 3}});
             return id;
         },
         1,
         [&](const std::string& id) {
             EXPECT_EQ(store.group(id)->version, 3);
         }},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const auto id = test.arrange();
        service.clearRequests();
        engine->syncNow();
        EXPECT_EQ(syncBodies().size(), test.requests);
        test.check(id);
    }
}
