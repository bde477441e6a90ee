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
        syncNow(*engine);
        auto capture = *store.rawCapture(id);
        capture.note = note;
        store.update(capture);
        return id;
    }
    void reject(const std::string& id, bool retry, int count = -1) {
        service.control("reject",
                        {{"id", id}, {"reason", "busy"}, {"retry", retry}, {"count", count}});
    }
    // A new screenshot of the capture, its file in the library, and a comment on it.
    std::pair<std::string, std::string> shotAndComment(const std::string& captureID) {
        const std::string shot = makeUUID(), comment = makeUUID();
        const std::string path = "2026/01/" + shot + ".png";
        writeFile(TavroPaths::capturesRoot() / path, "\x89PNG " + shot);
        store.addImage({.id = shot, .captureID = captureID, .position = -1, .imagePath = path});
        store.addComment({.id = comment, .captureID = captureID, .body = "Also on Safari"});
        return {shot, comment};
    }
    bool onService(const std::string& table, const std::string& id) {
        return !serverRow(table, id).is_null();
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
        syncNow(*engine);
        EXPECT_EQ(syncBodies().size(), test.requests);
        test.check(id);
    }
}

// A screenshot or comment that goes with its new capture is refused while the capture is: that
// does not count against it. One the service refuses for good stays on this computer, unsent.
TEST_F(PushResults, ScreenshotsAndCommentsAnswerOnlyForTheirOwnRefusals) {
    struct Case {
        const char* name;
        bool captureSynced;
        int captureRefusals, ownRefusals; // -1: for good
        size_t requests;
        const char* state; // of the screenshot and the comment afterwards
        std::int64_t unsent;
    } cases[] = {
        {"refused five times with their capture, then three times alone", false, 5, 5 + 3, 9,
         "synced", 0},
        {"refused for good on a capture the service has", true, 0, -1, 1, "local", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto capture = newCapture("Totals overlap the button");
        if (c.captureSynced)
            syncNow(*engine);
        const auto [shot, comment] = shotAndComment(capture);
        if (c.captureRefusals > 0)
            service.control("reject",
                            {{"id", capture}, {"retry", true}, {"count", c.captureRefusals}});
        for (const auto& id : {shot, comment})
            service.control("reject", {{"id", id},
                                       {"reason", "busy"},
                                       {"retry", c.ownRefusals > 0},
                                       {"count", c.ownRefusals}});
        service.clearRequests();
        syncNow(*engine);
        EXPECT_EQ(syncBodies().size(), c.requests);
        EXPECT_EQ(syncState("capture_images", shot), c.state);
        EXPECT_EQ(syncState("comments", comment), c.state);
        const bool arrived = std::string(c.state) == "synced";
        EXPECT_EQ(onService("capture_images", shot), arrived);
        EXPECT_EQ(onService("comments", comment), arrived);
        EXPECT_EQ(store.unsentChangeCount(), c.unsent);
        takeLog();
        store.softDelete(capture);
        syncNow(*engine);
    }
}
