#include "sync/PushBatch.h"

#include "../store/SyncFixture.h"
#include "sync/ScreenshotBlobs.h"
#include "sync/SyncError.h"

using namespace tavro;
using namespace tavro::test;

namespace {

struct PushBatchTest : SyncFixture {
    // `count` screenshots waiting for their first push, the oldest first.
    void pendingShots(int count, const char* mark = R"({"*":true})") {
        SyncFixture::addCapture("owner", workspace);
        for (int i = 0; i < count; ++i)
            store.db().execute(
                "INSERT INTO capture_images (id, capture_id, image_path, created_at, "
                "sync_state, pending) VALUES (?, 'owner', 'a.png', ?, "
                "'pendingPush', ?);",
                {"shot-" + std::to_string(1000 + i), double(i), mark});
    }
    // Records a hash on the row, as an upload does, and the screenshots it was asked for.
    EnsureBlobs upload(std::function<void(const CaptureImage&)> before = {}) {
        return [this, before](const CaptureImage& image) {
            if (before)
                before(image);
            asked.push_back(image.id);
            store.db().execute("UPDATE capture_images SET original_sha256 = ? WHERE id = ?;",
                               {std::string(64, 'a'), image.id});
        };
    }
    std::vector<std::string> asked;
};

} // namespace

// Nothing is uploaded for screenshots past the 500 changes one request carries.
TEST_F(PushBatchTest, TheCutLeavesTheRestUnuploaded) {
    for (int i = 0; i < 200; ++i) {
        const auto id = std::to_string(i);
        addGroup("g" + id, "g" + id, workspace, "pendingPush", R"({"*":true})");
        SyncFixture::addCapture("c" + id, workspace);
        setState("captures", "c" + id, "pendingPush", R"({"*":true})");
    }
    pendingShots(150);
    const auto batch = collectPush(ledger, upload());
    EXPECT_EQ(batch.changes.size(), PushBatch::maxChanges);
    EXPECT_TRUE(batch.cut);
    EXPECT_EQ(asked.size(), 100u);
    EXPECT_EQ(batch.changes.back().at("id"), "shot-1099");
}

TEST_F(PushBatchTest, AScreenshotWhoseFilesFailWaitsAndTheOthersGo) {
    struct Case {
        std::exception_ptr failure;
        std::vector<std::string> logged;
    } cases[] = {
        {std::make_exception_ptr(SyncError::uploadsDisabled()), {}},
        {std::make_exception_ptr(BlobsDeferred("logged already")), {}},
        {std::make_exception_ptr(std::runtime_error("no such file")),
         {"Image hot-1000 skipped: no such file"}},
    };
    pendingShots(2);
    for (const auto& test : cases) {
        asked.clear();
        store.db().execute("DELETE FROM sync_log;");
        const auto batch = collectPush(ledger, upload([&](const CaptureImage& image) {
                                           if (image.id == "shot-1000")
                                               std::rethrow_exception(test.failure);
                                       }));
        ASSERT_EQ(batch.changes.size(), 1u);
        EXPECT_EQ(batch.changes[0].at("id"), "shot-1001");
        EXPECT_EQ(logMessages(), test.logged);
    }
    EXPECT_THROW(collectPush(ledger, [](auto&) { throw SyncError::offline("down"); }), SyncError);
}

TEST_F(PushBatchTest, ScreenshotsHeldBackDoNotTakeThePlacesOfNewerOnes) {
    struct Case {
        const char* name;
        int heldBack;
    };
    for (const Case c : {Case{"a listing's worth", 200}, Case{"more than two listings", 450}}) {
        SCOPED_TRACE(c.name);
        store.db().execute("DELETE FROM capture_images;");
        store.db().execute("DELETE FROM captures;");
        pendingShots(c.heldBack + 1);
        const std::string newest = "shot-" + std::to_string(1000 + c.heldBack);
        const auto batch = collectPush(ledger, upload([&](const CaptureImage& image) {
                                           if (image.id != newest)
                                               throw BlobsDeferred("its file is missing");
                                       }));
        ASSERT_EQ(batch.changes.size(), 1u);
        EXPECT_EQ(batch.changes[0].at("id"), newest);
        EXPECT_FALSE(batch.cut) << "nothing more waits that could go";
    }
}

// A screenshot or a comment goes once the service has its capture, or behind it in the same
// request; never ahead of it, where the service could only refuse it.
TEST_F(PushBatchTest, ScreenshotsAndCommentsFollowTheirCapture) {
    struct Case {
        const char* name;
        std::function<void()> arrange; // the capture "owner" and what goes before it
        std::vector<std::string> sent;
    };
    const auto pendingWhole = [this](const std::string& id) {
        setState("captures", id, "pendingPush", R"({"*":true})");
    };
    const std::vector<Case> cases = {
        {"the service has the capture",
         [&] { setState("captures", "owner", "synced"); },
         {"shot-1000", "note"}},
        {"the capture goes first", [&] { pendingWhole("owner"); }, {"owner", "shot-1000", "note"}},
        {"a listing of older captures goes first",
         [&] {
             pendingWhole("owner");
             store.db().execute("UPDATE captures SET created_at = 2 WHERE id = 'owner';");
             for (int i = 0; i < PushBatch::rowsPerTable; ++i) {
                 SyncFixture::addCapture("older-" + std::to_string(i), workspace);
                 pendingWhole("older-" + std::to_string(i));
             }
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.db().execute("DELETE FROM captures;");
        pendingShots(1);
        store.db().execute("INSERT INTO comments (id, capture_id, author, body, created_at, "
                           "sync_state) VALUES ('note', 'owner', 'you', 'Also on Safari', 5, "
                           "'pendingPush');");
        c.arrange();
        const auto batch = collectPush(ledger, upload());
        std::vector<std::string> sent;
        for (const auto& change : batch.changes)
            if (!change.at("id").get<std::string>().starts_with("older-"))
                sent.push_back(change.at("id"));
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(batch.cut, c.sent.empty()) << "the rest goes in the next exchange";
    }
}
