#include "SyncFixture.h"

#include <functional>
#include <map>

namespace tavro::test {
namespace {

using Columns = std::map<std::string, std::optional<std::string>>;

struct LedgerFileWritesTest : SyncFixture {
    void SetUp() override {
        addCapture("c1", workspace);
        for (const char* id : {"i1", "i2"})
            store.db().execute(
                "INSERT INTO capture_images (id, capture_id, position, image_path, "
                "annotated_path, thumb_path, width, height, bytes, created_at, sync_state, "
                "pending, original_sha256) VALUES (?, 'c1', 1, 'old.png', 'old-marked.png', "
                "'old.jpg', 10, 20, 30, 1, 'pendingPush', '{\"*\":true}', 'old');",
                {std::string(id)});
        store.db().execute("INSERT INTO comments (id, capture_id, author, body, created_at, "
                           "sync_state) VALUES ('k1', 'c1', 'you', 'Seen', 5, 'pendingPush');");
    }

    Columns columns(const std::string& table, const std::string& id,
                    const std::vector<std::string>& names) {
        Columns out;
        for (const auto& name : names)
            out[name] = text(table, id, name);
        return out;
    }
};

// Each write sets its own columns of its own row and leaves the pending mark, the sync state and
// every other row as they were.
TEST_F(LedgerFileWritesTest, EachWriteSetsOnlyItsColumnsOfItsRow) {
    const std::vector<std::string> imageColumns{"image_path",      "annotated_path", "thumb_path",
                                                "original_sha256", "marked_sha256",  "thumb_sha256",
                                                "sync_state",      "pending"};
    const Columns untouched{{"image_path", "old.png"},       {"annotated_path", "old-marked.png"},
                            {"thumb_path", "old.jpg"},       {"original_sha256", "old"},
                            {"marked_sha256", std::nullopt}, {"thumb_sha256", std::nullopt},
                            {"sync_state", "pendingPush"},   {"pending", R"({"*":true})"}};
    struct Case {
        const char* name;
        std::function<void(SyncLedger&)> write;
        std::string table;
        std::string id;
        Columns expected;
    };
    Columns hashed = untouched;
    hashed["original_sha256"] = std::string(64, 'a');
    hashed["marked_sha256"] = std::nullopt;
    hashed["thumb_sha256"] = std::string(64, 'c');
    Columns moved = untouched;
    moved["image_path"] = "2026/05/i1.png";
    moved["annotated_path"] = std::nullopt;
    moved["thumb_path"] = "2026/05/i1.jpg";
    const std::vector<Case> cases{
        {"uploaded hashes",
         [](SyncLedger& l) {
             l.setImageHashes("i1", std::string(64, 'a'), std::nullopt, std::string(64, 'c'));
         },
         "capture_images", "i1", hashed},
        {"downloaded paths",
         [](SyncLedger& l) {
             l.setImagePaths("i1", "2026/05/i1.png", std::nullopt, "2026/05/i1.jpg");
         },
         "capture_images", "i1", moved},
        {"a comment accepted",
         [](SyncLedger& l) { l.markCommentSynced("k1"); },
         "comments",
         "k1",
         {{"sync_state", "synced"}, {"body", "Seen"}}},
        {"an unknown screenshot", [](SyncLedger& l) { l.setImagePaths("none", "x.png", {}, {}); },
         "capture_images", "i1", untouched},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.write(ledger);
        std::vector<std::string> names;
        for (const auto& [name, value] : c.expected)
            names.push_back(name);
        EXPECT_EQ(columns(c.table, c.id, names), c.expected);
        EXPECT_EQ(columns("capture_images", "i2", imageColumns), untouched);
        store.db().execute("UPDATE capture_images SET image_path = 'old.png', annotated_path = "
                           "'old-marked.png', thumb_path = 'old.jpg', original_sha256 = 'old', "
                           "marked_sha256 = NULL, thumb_sha256 = NULL;");
    }
    EXPECT_EQ(notifier->count, 0);
}

} // namespace
} // namespace tavro::test
