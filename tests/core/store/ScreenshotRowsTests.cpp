#include "BoardFixture.h"

#include "ProcessRunner.h"
#include "model/Text.h"

#include <map>
#include <set>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

namespace {

struct ScreenshotRowsTest : BoardFixture {
    std::vector<std::int64_t> positions(const std::string& captureID) {
        std::vector<std::int64_t> out;
        for (const auto& image : store.images(captureID))
            out.push_back(image.position);
        return out;
    }

    std::vector<std::string> ids(const std::string& captureID) {
        std::vector<std::string> out;
        for (const auto& image : store.images(captureID))
            out.push_back(image.id);
        return out;
    }
};

} // namespace

TEST_F(ScreenshotRowsTest, AppendsNumberFromZeroAndContinueAfterTombstones) {
    addCapture("c", "w1");
    EXPECT_EQ(store.addImage(shot("c", "a")).position, 0);
    EXPECT_EQ(store.addImage(shot("c", "b")).position, 1);
    auto fixed = shot("c", "t", SyncState::synced);
    fixed.position = 5;
    EXPECT_EQ(store.addImage(fixed).position, 5);
    ASSERT_TRUE(store.deleteImage("t"));
    EXPECT_EQ(store.addImage(shot("c", "d")).position, 6);
    EXPECT_EQ(positions("c"), (std::vector<std::int64_t>{0, 1, 6}));
    EXPECT_EQ(notifier->count, 5);

    auto stored = store.image("d");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->imagePath, "2026/01/d.png");
    EXPECT_EQ(stored->syncState, SyncState::pendingPush); // the capture is shared
    EXPECT_EQ(pending("capture_images", "d"), marks({"*"}));
    EXPECT_TRUE(row("captures", "c").boolValue("dirty"));
}

TEST_F(ScreenshotRowsTest, DeletingRenumbersTheRestAndMovesTheCover) {
    struct Case {
        const char* deleted;
        std::vector<std::string> remaining;
        std::vector<std::string> rewritten;
    };
    for (const auto& c : std::vector<Case>{
             {"a", {"b", "c"}, {"b", "c"}}, {"b", {"a", "c"}, {"c"}}, {"c", {"a", "b"}, {}}}) {
        store.db().execute("DELETE FROM captures;");
        addCapture("cap");
        std::map<std::string, std::vector<fs::path>> files;
        for (auto id : {"a", "b", "c"}) {
            auto image = shot("cap", id);
            files[id] = writeFiles(image);
            store.addImage(image);
        }
        notifier->count = 0;

        EXPECT_TRUE(store.deleteImage(c.deleted)) << c.deleted;
        EXPECT_EQ(ids("cap"), c.remaining) << c.deleted;
        EXPECT_EQ(positions("cap"), (std::vector<std::int64_t>{0, 1})) << c.deleted;
        std::vector<std::string> rewritten;
        for (const auto& image : store.images("cap"))
            if (image.dirty)
                rewritten.push_back(image.id);
        EXPECT_EQ(rewritten, c.rewritten) << c.deleted;
        EXPECT_TRUE(row("capture_images", c.deleted).values().empty()) << "a local row goes";

        auto cover = store.capture("cap");
        EXPECT_EQ(cover->imagePath, "2026/01/" + c.remaining.front() + ".png") << c.deleted;
        EXPECT_EQ(cover->thumbPath, "2026/01/" + c.remaining.front() + ".jpg") << c.deleted;
        for (const auto& [id, paths] : files)
            for (const auto& path : paths)
                EXPECT_EQ(fs::exists(path), id != c.deleted) << path;
        EXPECT_EQ(notifier->count, 1);
    }
}

TEST_F(ScreenshotRowsTest, DeletingTheOnlyScreenshotClearsTheCover) {
    addCapture("c");
    store.addImage(shot("c", "a"));
    auto before = store.capture("c");
    EXPECT_EQ(before->imageWidth, 100);
    EXPECT_TRUE(store.deleteImage("a"));
    auto after = row("captures", "c");
    EXPECT_EQ(after.string("image_path"), "");
    EXPECT_EQ(after.string("thumb_path"), std::nullopt);
    EXPECT_EQ(after.intValue("image_width"), 0);
    EXPECT_EQ(after.intValue("image_height"), 0);
    EXPECT_EQ(after.intValue("image_bytes"), 0);
    EXPECT_FALSE(store.deleteImage("a"));
    EXPECT_FALSE(store.deleteImage("never-stored"));
    EXPECT_EQ(notifier->count, 2);
}

TEST_F(ScreenshotRowsTest, ASharedScreenshotBecomesATombstone) {
    addCapture("c", "w1");
    auto first = shot("c", "a", SyncState::synced);
    first.annotatedPath = "2026/01/a-marked.png";
    auto files = writeFiles(first);
    store.addImage(first);
    store.addImage(shot("c", "b", SyncState::synced));
    store.db().execute("UPDATE capture_images SET pending = NULL, dirty = 0;");

    EXPECT_TRUE(store.deleteImage("a"));
    auto tomb = row("capture_images", "a");
    EXPECT_TRUE(tomb.date("deleted_at"));
    EXPECT_EQ(tomb.string("image_path"), "");
    EXPECT_EQ(tomb.string("annotated_path"), std::nullopt);
    EXPECT_EQ(tomb.string("thumb_path"), std::nullopt);
    EXPECT_EQ(tomb.intValue("position"), 0);
    EXPECT_EQ(pending("capture_images", "a"), marks({"delete"}));
    EXPECT_EQ(pending("capture_images", "b"), marks({"position"}));
    EXPECT_EQ(positions("c"), std::vector<std::int64_t>{0});
    for (const auto& file : files)
        EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_FALSE(store.image("a"));
    EXPECT_FALSE(store.deleteImage("a"));
    EXPECT_EQ(store.capture("c")->imagePath, "2026/01/b.png");
}

TEST_F(ScreenshotRowsTest, TheMarkedUpCopyIsTheCover) {
    addCapture("c");
    auto image = store.addImage(shot("c", "a"));
    struct Case {
        std::optional<std::string> annotatedPath;
        const char* cover;
    };
    for (const auto& c : std::vector<Case>{{"2026/01/a-marked.png", "2026/01/a-marked.png"},
                                           {std::nullopt, "2026/01/a.png"},
                                           {"", "2026/01/a.png"}}) {
        image.annotatedPath = c.annotatedPath;
        image.annotationJSON = R"({"shapes":[]})";
        store.updateImage(image);
        EXPECT_EQ(store.capture("c")->imagePath, c.cover);
        EXPECT_EQ(store.image("a")->annotationJSON, image.annotationJSON);
    }
    EXPECT_EQ(notifier->count, 4);
}

TEST_F(ScreenshotRowsTest, RewritesAndModeChangesMarkSharedCapturesOnly) {
    for (auto workspace : {std::optional<std::string>("w1"), std::optional<std::string>()}) {
        store.db().execute("DELETE FROM captures;");
        addCapture("c", workspace);
        auto image = store.addImage(shot("c", "a"));
        store.db().execute("UPDATE capture_images SET pending = NULL;");
        store.db().execute("UPDATE captures SET pending = NULL;");
        store.updateImage(image);
        store.setCaptureMode(CaptureMode::window, "c");
        EXPECT_EQ(store.capture("c")->captureMode, CaptureMode::window);
        if (workspace) {
            EXPECT_EQ(pending("capture_images", "a"),
                      marks({"annotation_json", "marked_sha256", "thumb_sha256"}));
            EXPECT_EQ(pending("captures", "c"), marks({"capture_mode"}));
        } else {
            EXPECT_TRUE(pending("capture_images", "a").is_null());
            EXPECT_TRUE(pending("captures", "c").is_null());
            EXPECT_EQ(store.image("a")->syncState, SyncState::local);
        }
    }
}

TEST_F(ScreenshotRowsTest, DecodingFallsBackToDefaults) {
    addCapture("c");
    store.db().execute("INSERT INTO capture_images (id, capture_id, image_path, created_at, "
                       "sync_state, width) VALUES ('x', 'c', 'p.png', 7, 'uploading', 'wide');");
    auto image = store.image("x");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->syncState, SyncState::local);
    EXPECT_EQ(image->width, 0);
    EXPECT_EQ(image->createdAt, 7);

    auto bare = CaptureStore::decodeImage(Row());
    EXPECT_EQ(bare.id.size(), 36u);
    EXPECT_EQ(bare.id, text::lowercased(bare.id));
    EXPECT_EQ(bare.captureID, "");
    EXPECT_EQ(bare.imagePath, "");
    EXPECT_FALSE(bare.thumbPath);
}

TEST_F(ScreenshotRowsTest, AFailedDeletionKeepsTheRowsAndTheFiles) {
    addCapture("c", "w1");
    auto local = shot("c", "a");
    auto shared = shot("c", "b", SyncState::synced);
    std::vector<fs::path> files = writeFiles(local);
    for (const auto& file : writeFiles(shared))
        files.push_back(file);
    store.addImage(local);
    store.addImage(shared);
    notifier->count = 0;
    // The refused statements: deleting a local row, tombstoning a shared one, renumbering.
    store.db().executeRaw(
        "CREATE TRIGGER refuse_delete BEFORE DELETE ON capture_images BEGIN SELECT "
        "RAISE(ABORT, 'refused'); END;"
        "CREATE TRIGGER refuse_update BEFORE UPDATE OF deleted_at, position ON capture_images "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END;");

    EXPECT_THROW(store.deleteImage("a"), DatabaseError);
    EXPECT_THROW(store.deleteImage("b"), DatabaseError);
    EXPECT_EQ(ids("c"), (std::vector<std::string>{"a", "b"}));
    for (const auto& file : files)
        EXPECT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(store.capture("c")->imagePath, "2026/01/a.png");
    EXPECT_EQ(notifier->count, 0);

    // Inside a caller's transaction the files wait for the outermost commit.
    store.db().executeRaw("DROP TRIGGER refuse_delete; DROP TRIGGER refuse_update;");
    EXPECT_THROW(store.db().transaction([&] {
        EXPECT_TRUE(store.deleteImage("a"));
        throw std::runtime_error("caller gives up");
    }),
                 std::runtime_error);
    EXPECT_EQ(ids("c"), (std::vector<std::string>{"a", "b"}));
    for (const auto& file : files)
        EXPECT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(notifier->count, 0);
}

// One program deletes first screenshots while another appends to the same capture: the
// positions stay distinct and without gaps, because each renumbering works from the list its
// own transaction read.
TEST_F(ScreenshotRowsTest, TwoProgramsAppendingAndDeletingKeepPositionsWhole) {
    addCapture("c");
    for (int i = 0; i < 10; ++i)
        store.addImage(shot("c", "seed" + std::to_string(i)));
    const auto database = library.database().string();
    ProcessRunner appender({TAVRO_STORE_PROBE, "append-images", database, "c", "120"});
    ProcessRunner deleter({TAVRO_STORE_PROBE, "delete-first-images", database, "c", "60"});
    appender.start();
    deleter.start();
    auto appended = appender.wait();
    auto deleted = deleter.wait();
    ASSERT_EQ(appended.exitCode, 0) << appended.err;
    ASSERT_EQ(deleted.exitCode, 0) << deleted.err;

    auto list = positions("c");
    ASSERT_EQ(list.size(), 70u);
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i], std::int64_t(i));
    std::set<std::string> unique;
    for (const auto& id : ids("c"))
        unique.insert(id);
    EXPECT_EQ(unique.size(), 70u);
}

TEST_F(ScreenshotRowsTest, AMarkupOverTheCapIsRefusedAndOnlyItsHeadIsReadToSayMarkedUp) {
    addCapture("c", "w1");
    const std::string shape =
        R"({"id":"s","tool":"pen","colorHex":"#FF3B30","lineWidth":0.005,"points":[{"x":0.1,"y":0.2}]})";
    auto markup = [&](size_t bytes) {
        std::string text = R"({"shapes":[)" + shape;
        while (text.size() + shape.size() + 3 < bytes)
            text += "," + shape;
        return text + "]}";
    };
    const std::string largest = markup(Annotation::maxEncodedBytes);
    ASSERT_LE(largest.size(), Annotation::maxEncodedBytes);

    auto big = shot("c", "a");
    big.annotationJSON = largest + " ";
    big.annotationJSON->append(Annotation::maxEncodedBytes + 1 - big.annotationJSON->size(), ' ');
    try {
        store.addImage(big);
        ADD_FAILURE() << "stored";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.code(), DatabaseError::Code::refused);
        EXPECT_STREQ(error.what(), "The mark-up is too large to store (8.4 MB; at most 8.4 MB). "
                                   "Remove some marks.");
    }
    EXPECT_TRUE(store.images("c").empty());

    auto kept = store.addImage(shot("c", "a"));
    kept.annotationJSON = big.annotationJSON;
    EXPECT_THROW(store.updateImage(kept), DatabaseError);
    kept.annotationJSON = largest;
    store.updateImage(kept);
    EXPECT_EQ(store.images("c").front().annotation().shapes.size(),
              (largest.size() - 12) / (shape.size() + 1));

    const auto head = store.images("c", CaptureStore::MarkupRead::head);
    ASSERT_EQ(head.size(), 1u);
    EXPECT_LE(head.front().annotationJSON->size(), 65537u);
    EXPECT_TRUE(head.front().hasAnnotations());
    kept.annotationJSON = R"({"shapes":[]})";
    store.updateImage(kept);
    EXPECT_FALSE(store.images("c", CaptureStore::MarkupRead::head).front().hasAnnotations());
}
