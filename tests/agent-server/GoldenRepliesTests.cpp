// Whole replies, byte for byte, against the files in golden/. Each file holds pairs of lines: a
// request, then the reply line it gets (or an empty line for none). "$LIBRARY" stands for the
// library folder. Set TAVRO_UPDATE_GOLDEN=1 to rewrite the files from the current replies.
#include "AgentBoard.h"

#include <cstdlib>
#include <fstream>

using namespace tavro;
using namespace tavro::test;

namespace {

struct GoldenRepliesTest : AgentBoard {
    TavroMCPServer server{-1, store, "claude", [] {
                              return T;
                          }};

    void SetUp() override {
        auto group = store->upsertGroup(CaptureGroup{.id = "g-checkout",
                                                     .name = "checkout flow",
                                                     .colorHex = "#6E7BF2",
                                                     .createdAt = T,
                                                     .updatedAt = T});
        Capture checkout{.id = idOf(1),
                         .createdAt = T - 3 * 3600,
                         .updatedAt = T - 3 * 3600,
                         .note = "Checkout button overlaps the total\nOnly on narrow windows.",
                         .priority = CapturePriority::high,
                         .groupID = group.id,
                         .imagePath = "2025/06/c0000001-0.png",
                         .captureMode = CaptureMode::region,
                         .appName = "Firefox",
                         .appBundleID = "firefox",
                         .windowTitle = "Checkout \u2014 Shop",
                         .url = "https://shop.example/checkout",
                         .displayName = "DP-1"};
        store->insert(checkout);
        store->setTags({"mobile", "layout"}, checkout.id);
        addScreenshot(checkout.id, 64, 40);
        addScreenshot(checkout.id, 64, 40, true);
        store->addComment(Comment{.id = "m1",
                                  .captureID = checkout.id,
                                  .author = "you",
                                  .body = "Still there on \u201Cnarrow\u201D",
                                  .createdAt = T - 600,
                                  .kind = "comment"});

        auto typo = add(2, "Typo in the footer", T - 90);
        change(typo.id, [](Capture& c) { c.appName = "Mail"; });
        auto old = add(3, "Old layout bug", T - 40 * 86400);
        store->resolve(old.id, std::string("v1.0"), "you");
    }

    void check(const std::string& name) {
        std::filesystem::path file = std::string(TAVRO_GOLDEN) + "/" + name;
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        ASSERT_EQ(lines.size() % 2, 0u) << file;
        std::string library = TavroPaths::libraryRoot().string();
        std::string updated;
        for (size_t i = 0; i < lines.size(); i += 2) {
            auto request = JSONRPC::parse(lines[i]);
            ASSERT_TRUE(request) << lines[i];
            auto reply = server.reply(*request);
            std::string actual = reply ? *JSONRPC::serialize(*reply) : "";
            for (size_t at; (at = actual.find(library)) != std::string::npos;)
                actual.replace(at, library.size(), "$LIBRARY");
            EXPECT_EQ(actual, lines[i + 1]) << "reply to " << lines[i];
            updated += lines[i] + "\n" + actual + "\n";
        }
        if (std::getenv("TAVRO_UPDATE_GOLDEN"))
            std::ofstream(file) << updated;
    }
};

} // namespace

TEST_F(GoldenRepliesTest, Session) {
    check("session.jsonl");
}
TEST_F(GoldenRepliesTest, Listing) {
    check("listing.jsonl");
}
TEST_F(GoldenRepliesTest, Detail) {
    check("detail.jsonl");
}
TEST_F(GoldenRepliesTest, Changes) {
    check("changes.jsonl");
}
