#include "compose/Filmstrip.h"
#include "library/ThumbnailLoader.h"
#include "model/Paths.h"

#include "TempLibrary.h"

#include <QAbstractButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

constexpr const char* oneArrow =
    R"({"shapes":[{"id":"s1","tool":"arrow","colorHex":"#FF3B30","lineWidth":0.005,)"
    R"("points":[{"x":0.1,"y":0.1},{"x":0.4,"y":0.4}]}]})";

CaptureImage screenshot(std::string id, std::optional<std::string> markup = std::nullopt) {
    return CaptureImage{.id = std::move(id),
                        .captureID = "c",
                        .imagePath = "2026/01/a.png",
                        .annotationJSON = std::move(markup)};
}

std::vector<CaptureImage> screenshots(int count) {
    std::vector<CaptureImage> images;
    for (int i = 0; i < count; ++i)
        images.push_back(screenshot("i" + std::to_string(i)));
    return images;
}

} // namespace

TEST(FilmstripTilesTest, TheAddTileAlwaysComesLast) {
    for (int count : {0, 1, 3, 40}) {
        const auto tiles = filmstripTiles(screenshots(count), std::nullopt);
        ASSERT_EQ(tiles.size(), size_t(count) + 1);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(tiles[i].kind, FilmstripTile::Kind::screenshot);
            EXPECT_EQ(tiles[i].imageID, "i" + std::to_string(i));
        }
        EXPECT_EQ(tiles.back().kind, FilmstripTile::Kind::add);
        EXPECT_EQ(tiles.back().help, "Add another screenshot to this capture");
        EXPECT_FALSE(tiles.back().selected);
    }
}

TEST(FilmstripTilesTest, OnlyTheMatchingScreenshotIsSelected) {
    const struct {
        std::optional<std::string> selected;
        int selectedIndex;
    } cases[] = {{std::nullopt, -1}, {"nope", -1}, {"i1", 1}, {"i0", 0}};
    for (const auto& c : cases) {
        const auto tiles = filmstripTiles(screenshots(3), c.selected);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(tiles[i].selected, i == c.selectedIndex) << c.selected.value_or("none");
    }
}

TEST(FilmstripTilesTest, OnlyAReadableMarkupWithAShapeShowsTheBadge) {
    const struct {
        std::optional<std::string> markup;
        bool marked;
    } cases[] = {
        {std::nullopt, false},       {"", false},         {"not json", false},
        {R"({"shapes":[]})", false}, {R"([1,2])", false}, {oneArrow, true},
    };
    for (const auto& c : cases) {
        const auto tiles = filmstripTiles({screenshot("a", c.markup)}, std::nullopt);
        EXPECT_EQ(tiles[0].marked, c.marked) << c.markup.value_or("(none)");
        EXPECT_EQ(tiles[0].help, c.marked ? "Marked up \u2014 click to edit" : "Click to mark up");
    }
}

TEST(FilmstripTilesTest, TilesPreferTheThumbnailThenTheMarkedCopyThenTheOriginal) {
    test::TempLibrary library;
    const struct {
        std::optional<std::string> thumb;
        std::optional<std::string> marked;
        std::optional<std::filesystem::path> source;
    } cases[] = {
        {"2026/01/a.jpg", "2026/01/a-marked.png", TavroPaths::thumbFilePath("2026/01/a.jpg")},
        {std::nullopt, "2026/01/a-marked.png", TavroPaths::imageFilePath("2026/01/a-marked.png")},
        {std::nullopt, std::nullopt, TavroPaths::imageFilePath("2026/01/a.png")},
        // A thumbnail path that leaves the library is never read; the screenshot is.
        {"../../etc/passwd", std::nullopt, TavroPaths::imageFilePath("2026/01/a.png")},
    };
    for (const auto& c : cases) {
        CaptureImage image = screenshot("a");
        image.thumbPath = c.thumb;
        image.annotatedPath = c.marked;
        EXPECT_EQ(filmstripTiles({image}, std::nullopt)[0].source, c.source);
    }
}

TEST(FilmstripTilesTest, TheMenuOffersRemovalOnlyWhenTheOwnerDoes) {
    using Action = FilmstripMenuEntry::Action;
    EXPECT_EQ(filmstripMenu(false),
              (std::vector<FilmstripMenuEntry>{{Action::markUp, "Mark up\u2026"}}));
    EXPECT_EQ(filmstripMenu(true),
              (std::vector<FilmstripMenuEntry>{{Action::markUp, "Mark up\u2026"},
                                               {Action::divider, ""},
                                               {Action::remove, "Remove this screenshot"}}));
}

TEST(FilmstripTest, ClicksReportTheScreenshotOrTheAddTile) {
    test::TempLibrary library;
    ThumbnailLoader loader;
    std::vector<std::string> selected;
    int added = 0;
    Filmstrip strip(loader,
                    {.onSelect = [&](const CaptureImage& image) { selected.push_back(image.id); },
                     .onAdd =
                         [&] {
                             ++added;
                         }});
    strip.setImages(screenshots(3), "i1");
    ASSERT_EQ(strip.tiles().size(), 4u);
    EXPECT_EQ(strip.tiles()[0]->size(), QSize(78, 52));
    QTest::mouseClick(strip.tiles()[2], Qt::LeftButton);
    QTest::mouseClick(strip.tiles()[3], Qt::LeftButton);
    EXPECT_EQ(selected, std::vector<std::string>{"i2"});
    EXPECT_EQ(added, 1);
    EXPECT_EQ(strip.tiles()[3]->accessibleName(), QStringLiteral("Add"));
    EXPECT_EQ(strip.tiles()[0]->toolTip(), QStringLiteral("Click to mark up"));
}

TEST(FilmstripTest, TheVerticalWheelScrollsSideways) {
    test::TempLibrary library;
    ThumbnailLoader loader;
    Filmstrip strip(loader, {});
    strip.resize(200, strip.height());
    strip.setImages(screenshots(12), std::nullopt);
    strip.show();
    QScrollBar* bar = strip.horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
    const QPointF at(50, 20);
    QWheelEvent down(at, strip.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(strip.viewport(), &down);
    EXPECT_GT(bar->value(), 0);
    const int scrolled = bar->value();
    QWheelEvent up(at, strip.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(strip.viewport(), &up);
    EXPECT_LT(bar->value(), scrolled);
}
