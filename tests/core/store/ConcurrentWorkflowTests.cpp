#include "BoardFixture.h"
#include "ProbeNotes.h"
#include "ProcessRunner.h"

#include <algorithm>
#include <map>
#include <set>

using namespace tavro;
using namespace tavro::test;

namespace {

constexpr int rounds = 120;

} // namespace

using ConcurrentWorkflowTest = BoardFixture;

// One program claims and resolves while the other changes status and priority, both on the same
// capture and both appending to its note. Every step rewrites the whole row from what it read,
// so any read that is not in the same transaction as its write loses the other's note tokens.
TEST_F(ConcurrentWorkflowTest, TwoProgramsLoseNoChangeOrEvent) {
    auto capture = sample("shared");
    capture.note = "";
    capture.workspaceID = "w1";
    add(capture);
    store.db().execute("UPDATE captures SET pending = NULL WHERE id = 'shared';");

    const std::string db = library.database().string();
    const std::string count = std::to_string(rounds);
    ProcessRunner agent({TAVRO_STORE_PROBE, "claim-resolve", db, "shared", count, "A"});
    ProcessRunner app({TAVRO_STORE_PROBE, "status-priority", db, "shared", count, "B"});
    agent.start();
    app.start();
    auto agentResult = agent.wait();
    auto appResult = app.wait();
    ASSERT_EQ(agentResult.exitCode, 0) << agentResult.err;
    ASSERT_EQ(appResult.exitCode, 0) << appResult.err;

    std::multiset<std::string> expected;
    std::set<std::string> references;
    for (int i = 0; i < rounds; ++i) {
        expected.insert("A" + std::to_string(i));
        expected.insert("B" + std::to_string(i));
        references.insert("A" + std::to_string(i));
    }
    auto final = *store.capture("shared");
    EXPECT_EQ(test::noteTokens(final.note), expected);
    // Normal, then high and low in turn: an even number of flips ends on low.
    EXPECT_EQ(final.priority, CapturePriority::low);

    std::map<std::string, int> kinds;
    std::set<std::string> resolvedReferences;
    for (const auto& event : store.activity("shared")) {
        ++kinds[event.kind + "/" + event.actor];
        if (event.kind == "resolved")
            resolvedReferences.insert(event.detail);
    }
    EXPECT_EQ(kinds, (std::map<std::string, int>{{"created/you", 1},
                                                 {"claimed/A", rounds},
                                                 {"resolved/A", rounds},
                                                 {"status_changed/B", rounds}}));
    EXPECT_EQ(resolvedReferences, references);
    auto keys = pendingKeys("shared");
    for (const char* name : {"note", "status", "priority", "claimed_label", "resolution_ref"})
        EXPECT_NE(std::find(keys.begin(), keys.end(), name), keys.end()) << name;
}
