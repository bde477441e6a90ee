#include "AgentBoard.h"
#include "JSONRPC.h"

#include <sstream>

using namespace tavro;
using namespace tavro::test;

namespace {

struct ListingToolsTest : AgentBoard {
    size_t listed(const JSON& arguments) {
        auto reply = text("list_captures", arguments);
        if (reply.starts_with("No captures match"))
            return 0;
        return std::stoul(reply.substr(0, reply.find(' ')));
    }

    std::string group(const std::string& name, std::optional<std::string> path = {}) {
        return store
            ->upsertGroup(CaptureGroup{.id = "g-" + name,
                                       .name = name,
                                       .colorHex = "#6E7BF2",
                                       .path = std::move(path),
                                       .createdAt = T,
                                       .updatedAt = T})
            .id;
    }

    void file(const std::string& captureID, const std::string& groupID) {
        change(captureID, [&](Capture& c) { c.groupID = groupID; });
    }
};

} // namespace

TEST_F(ListingToolsTest, ListCapturesArgumentsFallBackToTheirDefaults) {
    for (int n = 1; n <= 30; ++n)
        add(n, "Capture " + std::to_string(n), T - 60 * n);
    for (int n = 31; n <= 32; ++n) {
        add(n, "Resolved " + std::to_string(n), T - 60 * n);
        store->resolve(idOf(n), std::nullopt, "you");
    }
    struct Case {
        JSON arguments;
        size_t count;
    };
    const Case cases[] = {
        {JSON::object(), 25},
        {{{"limit", 0}}, 1},
        {{{"limit", -3}}, 1},
        {{{"limit", 1000}}, 30},
        {{{"limit", 2.5}}, 25},
        {{{"limit", "5"}}, 25},
        {{{"limit", 5}}, 5},
        {{{"status", "resolved"}}, 2},
        {{{"status", {"open", "nonsense"}}, {"limit", 200}}, 30},
        {{{"status", {"nonsense"}}}, 25},
        {{{"status", {"resolved", 3}}}, 25},
        {{{"status", {"resolved", "resolved"}}}, 2},
        {{{"priority", "urgent"}}, 25},
        {{{"priority", "high"}}, 0},
        {{{"group", ""}, {"tag", ""}, {"search", ""}}, 25},
        {{{"search", "Capture 1"}, {"limit", 200}}, 11},
    };
    for (const auto& c : cases)
        EXPECT_EQ(listed(c.arguments), c.count) << c.arguments;
    // A name repeated far more often than one database statement takes values is still one
    // filter; the empty-result text keeps every name given.
    EXPECT_EQ(listed({{"status", std::vector<std::string>(300000, "resolved")}}), 2u);
    EXPECT_EQ(text("list_captures", {{"status", {"archived", "archived"}}}),
              "No captures match (status: Archived / Archived). The board is clear.");
}

TEST_F(ListingToolsTest, ListCapturesReply) {
    auto first = add(1, "Checkout button overlaps the total", T - 3 * 3600, "2025/06/a.png");
    auto second = add(2, "Typo in the footer", T - 60);
    auto groupID = group("checkout flow");
    change(first.id, [&](Capture& c) {
        c.groupID = groupID;
        c.priority = CapturePriority::high;
        c.appName = "Safari";
        c.windowTitle = "Checkout";
    });
    store->setTags({"mobile", "Layout"}, first.id);
    addScreenshot(first.id, 40, 30);
    addScreenshot(first.id, 40, 30);
    store->addComment(Comment{.id = "m1",
                              .captureID = first.id,
                              .author = "you",
                              .body = "x",
                              .createdAt = T,
                              .kind = "comment"});
    change(second.id, [](Capture& c) { c.appName = "Mail"; });
    EXPECT_EQ(text("list_captures"),
              "2 captures:\n"
              "\n"
              "[c0000001] OPEN !high Checkout button overlaps the total\n"
              "    Safari \u00B7 \u201CCheckout\u201D \u00B7 group:checkout flow \u00B7 "
              "tags:layout,mobile \u00B7 2 screenshots \u00B7 1 comment \u00B7 3h ago\n"
              "[c0000002] OPEN Typo in the footer\n"
              "    Mail \u00B7 no screenshot \u00B7 1m ago\n"
              "\n"
              "Call get_capture with an id to see the screenshot.");

    EXPECT_EQ(text("list_captures", {{"status", {"archived", "resolved"}}, {"group", "x"}}),
              "No captures match (status: Archived / Resolved). The board is clear.");
    EXPECT_EQ(text("list_captures", {{"status", {"nonsense"}}, {"tag", "none"}}),
              "No captures match (status: Open / In Progress). The board is clear.");
    EXPECT_TRUE(text("list_captures", {{"group", "CHECKOUT FLOW"}}).starts_with("1 capture:\n\n["));
    EXPECT_TRUE(text("list_captures", {{"tag", "LAYOUT"}}).starts_with("1 capture:\n\n[c0000001]"));

    // A capture in an archived group is listed without a group name.
    store->db().execute("UPDATE groups SET archived_at = 1 WHERE id = ?;", {groupID});
    EXPECT_EQ(text("list_captures").find("group:"), std::string::npos);
}

TEST_F(ListingToolsTest, ListGroups) {
    EXPECT_EQ(text("list_groups"), "No groups yet, and nothing open. The board is clear.");

    auto panel = group("design panel", "/home/ada/src/panel");
    auto checkout = group("Checkout");
    auto empty = group("empty");
    (void)empty;
    for (int n = 1; n <= 8; ++n)
        file(add(n, "Panel " + std::to_string(n), T - 60 * n).id, panel);
    for (int n = 9; n <= 14; ++n)
        file(add(n, "Checkout " + std::to_string(n), T - 60 * n).id, checkout);
    store->resolve(idOf(14), std::nullopt, "you");
    for (int n = 15; n <= 29; ++n)
        add(n, "Loose " + std::to_string(n), T - 60 * n);

    std::string expected = "Checkout \u2014 5 open of 6\n"
                           "    ids: c0000009, c0000010, c0000011, c0000012, c0000013\n";
    for (int n = 9; n <= 13; ++n)
        expected += "      [" + idOf(n).substr(0, 8) + "] Checkout " + std::to_string(n) + "\n";
    expected += "design panel \u2014 8 open of 8 \u00B7 bound to /home/ada/src/panel\n"
                "    ids: c0000001, c0000002, c0000003, c0000004, c0000005, c0000006, c0000007, "
                "c0000008\n";
    for (int n = 1; n <= 6; ++n)
        expected += "      [" + idOf(n).substr(0, 8) + "] Panel " + std::to_string(n) + "\n";
    expected += "      \u2026and 2 more\n"
                "empty \u2014 0 open of 0\n"
                "(no group) \u2014 15 open\n"
                "    ids: c0000015, c0000016, c0000017, c0000018, c0000019, c0000020, c0000021, "
                "c0000022, c0000023, c0000024, c0000025, c0000026\n"
                "\n"
                "Pass those ids to get_capture to see the screenshots, or call list_captures with "
                "group: \"<name>\" for everything in one group.";
    EXPECT_EQ(text("list_groups", {{"ignored", true}}), expected);
}

TEST_F(ListingToolsTest, ListGroupsWithNothingOpen) {
    auto id = group("done");
    file(add(1, "One").id, id);
    store->resolve(idOf(1), std::nullopt, "you");
    EXPECT_EQ(text("list_groups"),
              "done \u2014 0 open of 1\n\nPass those ids to get_capture to see the screenshots, "
              "or call list_captures with group: \"<name>\" for everything in one group.");
}

TEST_F(ListingToolsTest, CaptureStats) {
    EXPECT_EQ(text("capture_stats"), "Open: 0   In progress: 0   Resolved: 0   Archived: 0");
    add(1, "Done");
    store->resolve(idOf(1), std::nullopt, "you");
    EXPECT_EQ(text("capture_stats"), "Open: 0   In progress: 0   Resolved: 1   Archived: 0");

    const char* apps[] = {"Zed",  "Zed",     "Zed",   "Alacritty", "Alacritty", "Alacritty", "Mail",
                          "Mail", "Firefox", "Files", "Slack",     nullptr,     nullptr};
    int n = 1;
    for (auto app : apps) {
        ++n;
        add(n, "Capture " + std::to_string(n), T - 3600 * n);
        change(idOf(n), [&](Capture& c) {
            if (app)
                c.appName = app;
            if (n % 4 == 0)
                c.priority = CapturePriority::high;
        });
    }
    store->claim(idOf(2), "claude");
    EXPECT_EQ(text("capture_stats"),
              "Open: 12   In progress: 1   Resolved: 1   Archived: 0\n"
              "\n"
              "Open work by app: Alacritty (3), Zed (3), Mail (2), unknown (2), Files (1)\n"
              "Oldest still open: [c0000014] \u201CCapture 14\u201D \u2014 14h ago\n"
              "High priority open: 3");
}

TEST_F(ListingToolsTest, CaptureStatsCountsEveryActiveCapture) {
    // More than a capped read would see: the oldest and the counts must still be right.
    store->db().transaction([&] {
        for (int n = 1; n <= 620; ++n)
            store->insert(
                Capture{.id = idOf(n),
                        .createdAt = T - n,
                        .updatedAt = T - n,
                        .note = "Capture " + std::to_string(n),
                        .priority = n == 620 ? CapturePriority::low : CapturePriority::high,
                        .appName = "Zed"});
    });
    EXPECT_EQ(text("capture_stats"),
              "Open: 620   In progress: 0   Resolved: 0   Archived: 0\n"
              "\n"
              "Open work by app: Zed (620)\n"
              "Oldest still open: [c0000620] \u201CCapture 620\u201D \u2014 10m ago\n"
              "High priority open: 619");
}

// A shared screenshot that was deleted stays as a row until the deletion is pushed; the list
// counts what get_capture shows.
TEST_F(ListingToolsTest, ListCapturesCountsOnlyLiveScreenshots) {
    auto capture = add(1, "Menu clipped", T - 60, "2025/06/a.png");
    for (int i = 0; i < 3; ++i)
        addScreenshot(capture.id, 40, 30);
    store->db().execute("UPDATE capture_images SET sync_state = 'synced';");
    store->deleteImage(makeShotID(capture.id, 0));
    auto reply = text("list_captures");
    EXPECT_NE(reply.find("    2 screenshots \u00B7 1m ago\n"), std::string::npos) << reply;
    store->deleteImage(makeShotID(capture.id, 1));
    EXPECT_EQ(text("list_captures").find(" screenshots \u00B7 1m ago"), std::string::npos);
}

TEST_F(ListingToolsTest, ALimitBeyondTheRangeOfADoubleFallsBackToTheDefault) {
    for (int n = 1; n <= 30; ++n)
        add(n, "Capture " + std::to_string(n), T - 60 * n);
    for (const char* limit : {"1E400", "-1E400", "1E-400"}) {
        auto request = JSONRPC::parse(
            std::string(R"({"id":1,"method":"tools/call","params":{"name":"list_captures",)") +
            R"("arguments":{"limit":)" + limit + "}}}");
        ASSERT_TRUE(request) << limit;
        EXPECT_EQ(listed(request->params["arguments"]), limit == std::string("1E-400") ? 1u : 25u)
            << limit;
    }
}
