#include "SyncFixture.h"

#include "files/LibraryFiles.h"

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;
using namespace std::string_literals;

namespace {

struct DrawingsKeptApart : SyncFixture {
    // A synced screenshot of a shared capture, marked up here; its files hold their names.
    CaptureImage drawn(const std::string& id) {
        addCapture("cap", workspace);
        setState("captures", "cap", "synced");
        auto image = shot("cap", id, SyncState::synced);
        image.imagePath = "2020/01/" + id + ".png";
        image.thumbPath = "2020/01/" + id + ".jpg";
        image.annotatedPath = "2020/01/" + id + "-marked.png";
        image.annotationJSON = R"({"shapes":[{"kind":"arrow"}]})";
        image.originalSHA256 = std::string(64, 'a');
        image.markedSHA256 = std::string(64, 'b');
        image.thumbSHA256 = std::string(64, 'c');
        for (const auto& file : {TavroPaths::imageFilePath(image.imagePath),
                                 TavroPaths::imageFilePath(*image.annotatedPath),
                                 TavroPaths::thumbFilePath(*image.thumbPath)})
            writeFile(*file, file->filename().string());
        store.addImage(image);
        setState("capture_images", id, "synced");
        return *ledger.rawImage(id);
    }
    static std::string contents(const std::optional<std::filesystem::path>& file) {
        return file && fs::exists(*file) ? readFile(*file) : "missing";
    }
};

} // namespace

TEST_F(DrawingsKeptApart, TheDrawingMadeHereBecomesAScreenshotOfItsOwn) {
    const auto before = drawn("s1");
    const auto apartID = ledger.keepDrawingApart("s1");
    ASSERT_TRUE(apartID);

    const auto images = store.images("cap");
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].id, "s1");
    const CaptureImage& apart = images[1];
    EXPECT_EQ(apart.id, *apartID);
    EXPECT_EQ(apart.position, 1);
    EXPECT_EQ(apart.annotationJSON, before.annotationJSON);
    EXPECT_EQ(std::tuple(apart.originalSHA256, apart.markedSHA256, apart.thumbSHA256),
              std::tuple(before.originalSHA256, before.markedSHA256, before.thumbSHA256));
    EXPECT_EQ(std::tuple(contents(apart.originalFilePath()),
                         contents(TavroPaths::imageFilePath(*apart.annotatedPath)),
                         contents(apart.thumbFilePath())),
              std::tuple("s1.png"s, "s1-marked.png"s, "s1.jpg"s));
    EXPECT_NE(apart.imagePath, before.imagePath);
    EXPECT_EQ(apart.syncState, SyncState::pendingPush);
    EXPECT_EQ(pending("capture_images", apart.id), marks({"*"}));

    const auto left = *ledger.rawImage("s1");
    EXPECT_FALSE(left.annotationJSON) << "the service's drawing comes with the pull";
    EXPECT_FALSE(left.annotatedPath);
    EXPECT_FALSE(left.markedSHA256);
    EXPECT_EQ(left.syncState, SyncState::synced);
    EXPECT_EQ(contents(TavroPaths::imageFilePath(*before.annotatedPath)), "missing");
    EXPECT_EQ(contents(before.originalFilePath()), "s1.png");
}

TEST_F(DrawingsKeptApart, NothingIsMadeWithoutADrawingOrWhenACopyFails) {
    drawn("s1");
    store.db().execute("UPDATE capture_images SET annotation_json = NULL, annotated_path = NULL "
                       "WHERE id = 's1';");
    EXPECT_FALSE(ledger.keepDrawingApart("s1"));
    EXPECT_FALSE(ledger.keepDrawingApart("gone"));

    store.db().execute("DELETE FROM captures;");
    const auto before = drawn("s2");
    // The copies' folder cannot be made: a file stands where it would be.
    const auto month = TavroPaths::thumbsRoot() / LibraryFiles::thumbnailName("x", now());
    writeFile(month.parent_path(), "not a folder");
    EXPECT_ANY_THROW(ledger.keepDrawingApart("s2"));
    EXPECT_EQ(store.images("cap").size(), 1u);
    EXPECT_EQ(ledger.rawImage("s2")->annotationJSON, before.annotationJSON);
    EXPECT_EQ(contents(TavroPaths::imageFilePath(*before.annotatedPath)), "s2-marked.png");
}
