#include "BoardFixture.h"

#include <algorithm>
#include <functional>
#include <set>

using namespace tavro;
using namespace tavro::test;

namespace {

std::vector<std::string> ids(const std::vector<Capture>& captures) {
    std::vector<std::string> out;
    for (const auto& c : captures)
        out.push_back(c.id);
    return out;
}

Row makeRow(std::vector<std::string> columns, std::vector<SQLValue> values) {
    return Row(std::make_shared<const std::vector<std::string>>(std::move(columns)),
               std::move(values));
}

CaptureQuery all(bool newestFirst = true) {
    CaptureQuery q;
    q.limit = 50;
    q.newestFirst = newestFirst;
    return q;
}

struct BoardQueriesTest : BoardFixture {
    void addBoard() {
        // id, created, priority
        struct Entry {
            const char* id;
            Seconds created;
            CapturePriority priority;
        };
        for (auto [id, created, priority] :
             {Entry{"n1", 10, CapturePriority::normal}, Entry{"h1", 20, CapturePriority::high},
              Entry{"l1", 30, CapturePriority::low}, Entry{"n2", 40, CapturePriority::normal},
              Entry{"h2", 50, CapturePriority::high}}) {
            auto c = sample(id, created);
            c.priority = priority;
            add(c);
        }
    }
};

} // namespace

TEST_F(BoardQueriesTest, DecodingTakesDefaultsForMissingNullAndForeignValues) {
    const auto before = now();
    const Row rows[] = {
        Row(),
        makeRow({"id", "created_at", "status", "priority", "capture_mode", "sync_state", "dirty",
                 "image_width", "note", "local_only"},
                {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                 nullptr}),
        makeRow({"id", "created_at", "status", "priority", "capture_mode", "sync_state", "dirty",
                 "image_width", "note", "local_only"},
                {42, "yesterday", "blocked", "HIGH", "video", "pending_push", "1", "wide",
                 Blob{1, 2}, "true"}),
    };
    for (const auto& row : rows) {
        auto c = CaptureStore::decodeCapture(row);
        EXPECT_EQ(c.id.size(), 36u);
        EXPECT_GE(c.createdAt, before);
        EXPECT_EQ(c.status, CaptureStatus::open);
        EXPECT_EQ(c.priority, CapturePriority::normal);
        EXPECT_EQ(c.captureMode, CaptureMode::region);
        EXPECT_EQ(c.syncState, SyncState::local);
        EXPECT_FALSE(c.dirty);
        EXPECT_FALSE(c.localOnly);
        EXPECT_EQ(c.imageWidth, 0);
        EXPECT_EQ(c.note, "");
        EXPECT_EQ(c.groupID, std::nullopt);
    }

    const Row events[] = {
        Row(),
        makeRow({"id", "capture_id", "kind", "detail", "actor", "created_at", "actor_id", "remote"},
                {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}),
        makeRow({"id", "capture_id", "kind", "detail", "actor", "created_at", "actor_id", "remote"},
                {7, 8, 9.5, Blob{}, 3, "now", 1, "yes"}),
    };
    for (const auto& row : events) {
        auto e = CaptureStore::decodeActivity(row);
        EXPECT_EQ(e.id.size(), 36u);
        EXPECT_EQ(e.captureID, std::nullopt);
        EXPECT_EQ(e.kind, "");
        EXPECT_EQ(e.detail, "");
        EXPECT_EQ(e.actor, "you");
        EXPECT_GE(e.createdAt, before);
        EXPECT_EQ(e.actorID, std::nullopt);
        EXPECT_FALSE(e.remote);
    }
}

TEST_F(BoardQueriesTest, OrdersByPriorityThenCreationTime) {
    addBoard();
    EXPECT_EQ(ids(store.captures(all(true))),
              (std::vector<std::string>{"h2", "h1", "n2", "n1", "l1"}));
    EXPECT_EQ(ids(store.captures(all(false))),
              (std::vector<std::string>{"h1", "h2", "n1", "n2", "l1"}));

    // An unknown priority text sorts with low ones.
    store.db().execute("UPDATE captures SET priority = 'urgent' WHERE id = 'h2';");
    EXPECT_EQ(ids(store.captures(all(false))),
              (std::vector<std::string>{"h1", "n1", "n2", "l1", "h2"}));

    struct Page {
        std::int64_t limit, offset;
        std::vector<std::string> expected;
    };
    for (const auto& page : {Page{2, 1, {"n1", "n2"}}, Page{0, 0, {}}, Page{-1, 3, {"l1", "h2"}}}) {
        auto q = all(false);
        q.limit = page.limit;
        q.offset = page.offset;
        EXPECT_EQ(ids(store.captures(q)), page.expected) << page.limit << "/" << page.offset;
    }
    softDelete("h1");
    EXPECT_EQ(ids(store.captures(all(false))), (std::vector<std::string>{"n1", "n2", "l1", "h2"}));
}

TEST_F(BoardQueriesTest, APageOfCapturesGetsWhatIsBesideItAndNothingOfOtherCaptures) {
    // More than one batch of ids, with tags, comments and screenshots on some.
    store.db().transaction([&] {
        for (int i = 0; i < 1200; ++i) {
            const std::string id = "c" + std::to_string(i);
            store.insert(sample(id, 1000 + i));
            if (i % 3 == 0) {
                tag(id, "zeta");
                tag(id, "Alpha");
            }
            if (i % 4 == 0)
                store.addComment(Comment{.id = "m" + id,
                                         .captureID = id,
                                         .author = "you",
                                         .body = "Seen",
                                         .createdAt = 1,
                                         .kind = "comment"});
            if (i % 5 == 0)
                store.addImage(shot(id, "s" + id));
        }
    });
    auto query = all(true);
    query.limit = 1100;
    const auto page = store.captures(query);
    ASSERT_EQ(page.size(), 1100u);
    const auto rows = store.boardRows(page);
    EXPECT_EQ(rows.captures, page);
    std::set<std::string> listed;
    for (const auto& capture : page)
        listed.insert(capture.id);
    for (const auto& capture : page) {
        const int i = std::stoi(capture.id.substr(1));
        const auto tags = rows.tags.find(capture.id);
        EXPECT_EQ(tags == rows.tags.end() ? std::vector<std::string>{} : tags->second,
                  store.tags(capture.id))
            << capture.id;
        EXPECT_EQ(rows.comments.contains(capture.id), i % 4 == 0) << capture.id;
        EXPECT_EQ(rows.images.contains(capture.id), i % 5 == 0) << capture.id;
    }
    for (const auto* map : {&rows.comments, &rows.images})
        for (const auto& [id, count] : *map) {
            EXPECT_TRUE(listed.contains(id)) << id;
            EXPECT_EQ(count, 1);
        }
    for (const auto& [id, names] : rows.tags)
        EXPECT_TRUE(listed.contains(id)) << id;
}

TEST_F(BoardQueriesTest, FiltersNarrowTheList) {
    store.db().execute(
        "INSERT INTO groups (id, name, created_at, updated_at) VALUES "
        "('g1', 'Checkout', 1, 1), ('g2', 'Checkout flow', 1, 1), ('', 'Blank', 1, 1);");
    auto a = sample("a", 1);
    a.note = "Button overlaps the Footer";
    a.status = CaptureStatus::inProgress;
    a.groupID = "g1";
    a.workspaceID = "w1";
    a.assigneeID = "u1";
    a.authorID = "u1";
    a.priority = CapturePriority::high;
    auto b = sample("b", 2);
    b.appName = "Firefox";
    b.groupID = "g2";
    b.authorID = "u2";
    b.note = "crash at 50% zoom";
    auto c = sample("c", 3);
    c.windowTitle = "Settings — Preferences";
    c.status = CaptureStatus::resolved;
    c.groupID = "";
    c.authorID = "";
    c.assigneeID = "";
    auto d = sample("d", 4);
    d.url = "https://example.com/cart";
    for (const auto& capture : {a, b, c, d})
        add(capture);
    store.db().execute("UPDATE captures SET author_id = NULL WHERE id = 'd';");
    tag("a", "UI");
    tag("b", "ui-kit");
    tag("c", "Backend");

    struct Case {
        const char* name;
        std::function<void(CaptureQuery&)> set;
        std::vector<std::string> expected;
    };
    using Q = CaptureQuery;
    const Case cases[] = {
        {"none", [](Q&) {}, {"a", "b", "c", "d"}},
        {"statuses",
         [](Q& q) {
             q.statuses = {{CaptureStatus::open, CaptureStatus::resolved}};
         },
         {"b", "c", "d"}},
        {"active",
         [](Q& q) {
             q.statuses = {{activeStatuses.begin(), activeStatuses.end()}};
         },
         {"a", "b", "d"}},
        {"empty statuses",
         [](Q& q) { q.statuses = std::vector<CaptureStatus>{}; },
         {"a", "b", "c", "d"}},
        {"group id", [](Q& q) { q.groupID = "g1"; }, {"a"}},
        {"empty group id", [](Q& q) { q.groupID = ""; }, {"c"}},
        {"group name ignores case", [](Q& q) { q.groupName = "checkout"; }, {"a"}},
        {"empty group name", [](Q& q) { q.groupName = ""; }, {"a", "b", "c", "d"}},
        {"tag ignores case", [](Q& q) { q.tag = "ui"; }, {"a"}},
        {"tag is a whole name", [](Q& q) { q.tag = "Back"; }, {}},
        {"empty tag", [](Q& q) { q.tag = ""; }, {"a", "b", "c", "d"}},
        {"search note, any case", [](Q& q) { q.search = "FOOTER"; }, {"a"}},
        {"search app", [](Q& q) { q.search = "firefox"; }, {"b"}},
        {"search window", [](Q& q) { q.search = "preferences"; }, {"c"}},
        {"search url", [](Q& q) { q.search = "/cart"; }, {"d"}},
        {"search keeps its spaces", [](Q& q) { q.search = " overlaps "; }, {"a"}},
        {"search keeps its spaces, no match", [](Q& q) { q.search = " button"; }, {}},
        {"blank search", [](Q& q) { q.search = " \t "; }, {"a", "b", "c", "d"}},
        {"percent is a wildcard", [](Q& q) { q.search = "5%m"; }, {"b"}},
        {"underscore is a wildcard", [](Q& q) { q.search = "t_e"; }, {"a"}},
        {"priority", [](Q& q) { q.priority = CapturePriority::normal; }, {"b", "c", "d"}},
        {"workspace", [](Q& q) { q.workspaceID = "w1"; }, {"a"}},
        {"assignee", [](Q& q) { q.assigneeID = "u1"; }, {"a"}},
        {"empty assignee", [](Q& q) { q.assigneeID = ""; }, {"c"}},
        {"author includes authorless", [](Q& q) { q.authorID = "u2"; }, {"b", "d"}},
        {"filters hold together",
         [](Q& q) {
             q.search = "o";
             q.statuses = {{CaptureStatus::open}};
             q.authorID = "u1";
         },
         {"d"}},
    };
    for (const auto& testCase : cases) {
        auto q = all(false);
        testCase.set(q);
        auto got = ids(store.captures(q));
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, testCase.expected) << testCase.name;
    }
}

TEST_F(BoardQueriesTest, TagFilterListsACaptureOnce) {
    add(sample("a", 1));
    add(sample("b", 2));
    tag("a", "UI");
    tag("a", "ui");
    tag("a", "Ui");
    tag("b", "ui");
    auto q = all();
    q.tag = "uI";
    EXPECT_EQ(ids(store.captures(q)), (std::vector<std::string>{"b", "a"}));
    q.limit = 1;
    q.offset = 1;
    EXPECT_EQ(ids(store.captures(q)), (std::vector<std::string>{"a"}));
}

TEST_F(BoardQueriesTest, ResolvesShortReferences) {
    const std::string first = "3f2a9c1e-1111-4aaa-8bbb-000000000001";
    const std::string twin = "3f2a9c1e-2222-4aaa-8bbb-000000000002";
    const std::string other = "7b00d4e2-3333-4ccc-8ddd-000000000003";
    const std::string gone = "c0ffee00-4444-4eee-8fff-000000000004";
    for (const auto& id : {first, twin, other, gone})
        add(sample(id));
    softDelete(gone);
    add(sample("ab_c"));
    add(sample("a%bc"));

    struct Case {
        std::string reference;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {first, first},
        {"  " + other + "\n", other},
        {"7b00d4e2", other},
        {"7B00D4E2", other},
        {"3f2a9c1e", std::nullopt},
        {"3f2a9c1e-1", first},
        {gone, std::nullopt},
        {"c0ffee00", std::nullopt},
        {"", std::nullopt},
        {" \t\n", std::nullopt},
        {"%", std::nullopt},
        {"_", std::nullopt},
        {"%7b", std::nullopt},
        {"_b00d4e2", std::nullopt},
        {"ab_", "ab_c"},
        {"ab%", std::nullopt},
        {"a%", "a%bc"},
        {"a\\", std::nullopt},
        {std::string("ab_c\0x", 6), std::nullopt},
        {std::string("ab_\0", 4), std::nullopt},
        // Longer than SQLite takes as a LIKE pattern: simply no capture, not a database error.
        {std::string(60000, '%'), std::nullopt},
        {"7b00d4e2" + std::string(60000, 'f'), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(store.resolveCaptureID(c.reference), c.expected) << c.reference;
}

TEST_F(BoardQueriesTest, AggregatesCountTagsAndHistory) {
    EXPECT_TRUE(store.countsByStatus().empty());
    for (auto [id, status] : {std::pair{"a", CaptureStatus::open},
                              {"b", CaptureStatus::open},
                              {"c", CaptureStatus::resolved},
                              {"d", CaptureStatus::archived}}) {
        auto c = sample(id);
        c.status = status;
        add(c);
    }
    softDelete("d");
    store.db().execute("UPDATE captures SET status = 'blocked' WHERE id = 'b';");
    EXPECT_EQ(store.countsByStatus(), (std::map<CaptureStatus, std::int64_t>{
                                          {CaptureStatus::open, 1}, {CaptureStatus::resolved, 1}}));

    store.db().execute(
        "INSERT INTO capture_images (id, capture_id, position, image_path, created_at, "
        "deleted_at) VALUES ('i1', 'a', 0, 'x.png', 1, NULL), ('i2', 'a', 1, 'y.png', 1, 9), "
        "('i3', 'd', 0, 'z.png', 1, NULL);");
    store.db().execute("INSERT INTO comments (id, capture_id, author, body, created_at) VALUES "
                       "('m1', 'c', 'you', 'x', 1), ('m2', 'c', 'you', 'y', 2);");
    EXPECT_EQ(store.imageCounts(),
              (std::unordered_map<std::string, std::int64_t>{{"a", 1}, {"d", 1}}));
    EXPECT_EQ(store.commentCounts(), (std::unordered_map<std::string, std::int64_t>{{"c", 2}}));

    tag("a", "zeta");
    tag("a", "Alpha");
    tag("a", "beta");
    tag("c", "beta");
    tag("d", "deleted-only");
    tag("d", "zeta");
    EXPECT_EQ(store.tags("a"), (std::vector<std::string>{"Alpha", "beta", "zeta"}));
    EXPECT_EQ(store.tags("d"), (std::vector<std::string>{"deleted-only", "zeta"}));
    EXPECT_EQ(store.allTags(), (std::vector<std::string>{"Alpha", "beta", "zeta"}));
    // The whole board in one read: live, tagged captures only, each in tags() order.
    EXPECT_EQ(store.tagsByCapture(), (std::unordered_map<std::string, std::vector<std::string>>{
                                         {"a", {"Alpha", "beta", "zeta"}}, {"c", {"beta"}}}));

    const Seconds later = now() + 100;
    store.recordActivity("a", "resolved", "abc123", "Agent", "e3", later + 1);
    store.recordActivity("a", "claimed", "", "Agent", "e2", later, "u9", true);
    store.recordActivity("c", "claimed", "", "Agent", "e4", later);
    auto history = store.activity("a");
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].kind, "created");
    EXPECT_EQ(history[1], (ActivityEvent{"e2", "a", "claimed", "", "Agent", later, "u9", true}));
    EXPECT_EQ(history[2].detail, "abc123");
    EXPECT_FALSE(history[2].remote);
}

TEST_F(BoardQueriesTest, LocalCapturesAreThoseOutsideAnyWorkspaceNewestFirst) {
    auto shared = sample("shared", 3);
    shared.workspaceID = "w1";
    for (const auto& c : {sample("old", 1), sample("new", 2), shared, sample("gone", 4)})
        add(c);
    softDelete("gone");
    EXPECT_EQ(ids(store.localCaptures()), (std::vector<std::string>{"new", "old"}));
    EXPECT_EQ(notifier->count, 0);
}
