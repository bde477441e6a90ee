#include "compose/Filmstrip.h"
#include "library/ThumbnailLoader.h"
#include "model/Paths.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include "LibraryFixture.h"
#include "ViewPicture.h"

#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

// Writes a picture under the library's captures (or thumbs) folder and returns its path there.
std::string write(const std::string& relative, QColor color, bool thumb = false) {
    const auto file =
        thumb ? TavroPaths::thumbFilePath(relative) : TavroPaths::imageFilePath(relative);
    TavroPaths::ensureParentDirectory(*file);
    QImage image = LibraryFixture::makeImage(600, 390, color);
    for (int x = 0; x < 600; x += 40)
        for (int y = 0; y < 390; ++y)
            image.setPixelColor(x, y, Qt::white);
    EXPECT_TRUE(image.save(toQString(file->string())));
    return relative;
}

} // namespace

TEST(FilmstripPicture, ScreenshotsWithASelectionABadgeAMissingFileAndTheAddTile) {
    LibraryFixture f;
    std::vector<CaptureImage> images;
    for (int i = 0; i < 4; ++i)
        images.push_back(CaptureImage{.id = "i" + std::to_string(i),
                                      .captureID = "c",
                                      .imagePath = "2026/01/shot" + std::to_string(i) + ".png"});
    write(images[0].imagePath, QColor(0x3b, 0x6e, 0xa5));
    images[0].thumbPath = write("2026/01/shot0.jpg", QColor(0x3b, 0x6e, 0xa5), true);
    write(images[1].imagePath, QColor(0x8a, 0x5a, 0x2b));
    images[1].annotatedPath = write("2026/01/shot1-marked.png", QColor(0xa5, 0x3b, 0x5e));
    images[1].annotationJSON =
        R"({"shapes":[{"id":"s1","tool":"rectangle","colorHex":"#FF3B30","lineWidth":0.005,)"
        R"("points":[{"x":0.1,"y":0.1},{"x":0.4,"y":0.4}]}]})";
    write(images[2].imagePath, QColor(0x2b, 0x8a, 0x5a));
    // images[3] has no file at all.

    QWidget pane;
    pane.setAutoFillBackground(true);
    QPalette palette = pane.palette();
    palette.setColor(QPalette::Window, Theme::surface.resolved(palette));
    pane.setPalette(palette);
    auto* column = new QVBoxLayout(&pane);
    column->setContentsMargins(16, 16, 16, 16);
    auto* strip = new Filmstrip(f.thumbnails, {.onSelect = [](const CaptureImage&) {},
                                               .onAdd = [] {},
                                               .onDelete =
                                                   [](const CaptureImage&) {
                                                   }});
    strip->setImages(images, "i1");
    column->addWidget(strip);
    pane.resize(520, strip->height() + 32);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    const QString thumb = toQString(TavroPaths::thumbFilePath(*images[0].thumbPath)->string());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.thumbnails.cached(thumb).has_value(); }, 5000));
    test::savePicture(pane, QStringLiteral("filmstrip"));
}
