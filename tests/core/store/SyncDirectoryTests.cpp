#include "SyncFixture.h"

using namespace tavro;
using namespace tavro::test;

namespace {

struct SyncDirectoryTest : SyncFixture {
    static Person person(std::string id, std::string name, std::string kind = "person") {
        return {std::move(id), std::move(name), std::nullopt, std::nullopt, std::move(kind)};
    }

    std::vector<std::string> names(const std::vector<Person>& people) {
        std::vector<std::string> out;
        for (const auto& p : people)
            out.push_back(p.name);
        return out;
    }
};

} // namespace

TEST_F(SyncDirectoryTest, UpsertingAPersonKeepsAKnownEmailButNotAnImage) {
    ledger.upsertPerson({"p1", "Ada", "ada@example.com", "https://img/1", "person"});
    ledger.upsertPerson({"p1", "Ada L.", std::nullopt, std::nullopt, "bot"});
    EXPECT_EQ(store.person("p1"), (Person{"p1", "Ada L.", "ada@example.com", std::nullopt, "bot"}));
    ledger.upsertPerson({"p1", "Ada", "new@example.com", "https://img/2", "person"});
    EXPECT_EQ(store.person("p1"),
              (Person{"p1", "Ada", "new@example.com", "https://img/2", "person"}));
    EXPECT_EQ(store.personName("p1"), "Ada");
    EXPECT_EQ(store.personName("nobody"), std::nullopt);
    EXPECT_EQ(store.person("nobody"), std::nullopt);
}

TEST_F(SyncDirectoryTest, RowsDecodeWithDefaults) {
    Row person(std::make_shared<std::vector<std::string>>(std::vector<std::string>{"id", "name"}),
               {SQLValue(5), SQLValue()});
    EXPECT_EQ(CaptureStore::decodePerson(person),
              (Person{"", "Someone", std::nullopt, std::nullopt, "person"}));
    Row workspace(std::make_shared<std::vector<std::string>>(
                      std::vector<std::string>{"id", "name", "slug", "role"}),
                  {SQLValue("w1"), SQLValue("Acme"), SQLValue("acme"), SQLValue(3)});
    EXPECT_EQ(CaptureStore::decodeWorkspace(workspace),
              (Workspace{"w1", "Acme", "acme", "member", std::nullopt}));
}

TEST_F(SyncDirectoryTest, AssigneeCandidatesListPeopleBeforeBotsByName) {
    for (const auto& p :
         {person("1", "bravo"), person("2", "Zulu"), person("3", "Echo", "bot"),
          person("4", "Alpha"), person("5", "Delta", "Bot"), person("6", "\u00c9clair")})
        ledger.upsertPerson(p);
    EXPECT_EQ(names(store.assignableCandidates()),
              (std::vector<std::string>{"Alpha", "bravo", "Delta", "\u00c9clair", "Zulu", "Echo"}));
    EXPECT_EQ(names(store.people()).size(), 6u);
}

TEST_F(SyncDirectoryTest, WorkspacesAreReplacedWholeOrNotAtAll) {
    ledger.replaceWorkspaces({{"w2", "zeta", "zeta", "owner", R"({"a":1})"},
                              {"w1", "Acme", "acme", "guest", std::nullopt}});
    auto listed = store.workspaces();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], (Workspace{"w1", "Acme", "acme", "guest", std::nullopt}));
    EXPECT_EQ(listed[1].settingsJSON, R"({"a":1})");

    EXPECT_THROW(ledger.replaceWorkspaces({{"w3", "A", "a", "member", std::nullopt},
                                           {"w3", "B", "b", "member", std::nullopt}}),
                 DatabaseError);
    EXPECT_EQ(store.workspaces(), listed);

    ledger.replaceWorkspaces({});
    EXPECT_TRUE(store.workspaces().empty());
}

TEST_F(SyncDirectoryTest, MembersAndSyncedCaptures) {
    store.db().execute("INSERT INTO group_members (group_id, user_id, removed_at) VALUES "
                       "('g1', 'u1', NULL), ('g1', 'u2', 5), ('g2', 'u3', NULL);");
    EXPECT_EQ(ledger.groupMemberIDs("g1"), std::vector<std::string>{"u1"});

    addCapture("synced", workspace);
    addCapture("deleted", workspace);
    addCapture("local");
    addCapture("waiting", workspace);
    store.db().execute("UPDATE captures SET sync_state = 'synced' WHERE id != 'waiting';");
    store.db().execute("UPDATE captures SET sync_state = 'pendingPush' WHERE id = 'waiting';");
    store.db().execute("UPDATE captures SET deleted_at = 3 WHERE id = 'deleted';");
    EXPECT_EQ(ledger.syncedCaptureIDs(), std::vector<std::string>{"synced"});
}

TEST_F(SyncDirectoryTest, TheLogKeepsFiveHundredBelowTheNewest) {
    for (int i = 1; i <= 600; ++i)
        ledger.log(i % 2 ? "info" : "warn", "line " + std::to_string(i));
    EXPECT_EQ(count("FROM sync_log"), 501);
    auto bounds = store.db().query("SELECT MIN(id) AS lo, MAX(id) AS hi FROM sync_log;").front();
    EXPECT_EQ(bounds.intValue("lo"), 100);
    EXPECT_EQ(bounds.intValue("hi"), 600);

    auto last = store.syncLog(60);
    ASSERT_EQ(last.size(), 60u);
    EXPECT_EQ(last.front().id, 600);
    EXPECT_EQ(last.front().level, "warn");
    EXPECT_EQ(last.front().message, "line 600");
    EXPECT_EQ(last.back().id, 541);
    EXPECT_NEAR(last.front().at, now(), 60);

    // Never fails, even when the table is gone.
    store.db().execute("DROP TABLE sync_log;");
    ledger.log("error", "nowhere to go");
    EXPECT_THROW(store.syncLog(1), DatabaseError);
}
