#include "board/BoardLayout.h"
#include "board/BoardPainting.h"
#include "model/Time.h"
#include "ui/Theme.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

Capture capture(const std::string& note, bool image) {
    Capture made;
    made.id = "c-" + note.substr(0, 4);
    made.note = note;
    made.createdAt = now() - 600;
    made.appName = "Firefox";
    if (image)
        made.imagePath = "2026/12/gone.png";
    return made;
}

} // namespace

// Pictures of the parts of cards and rows that are hard to see on a seeded board: a note card
// whose hidden lines must stay hidden, tag chips squeezed by a long group name, centred cards of
// one row, and a row whose screenshot is missing.
TEST(BoardPaintingGallery, CardsAndARowAsShown) {
    const double ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    const CaptureGroup group{.id = "g", .name = "Checkout and payments", .colorHex = "#10B981"};
    const std::vector<std::string> tags{"responsive-layout", "safari-only", "third"};
    const CaptureCardContent note = cardContent(
        capture("Cart total wrong\nStep one: open the cart\nStep two: add a coupon\nStep three: "
                "remove it\nStep four: the total keeps the discount\nHidden line six",
                false),
        group, tags, 2, 0, std::nullopt, now());
    const CaptureCardContent shot = cardContent(capture("Header clipped", true), std::nullopt,
                                                {"ui"}, 0, 1, std::nullopt, now());
    const BoardLineMetrics metrics;
    const CardGridLayout grid(2 * 260 + 16 + 48, {{false, true, 0}, {true, true, 100}}, metrics);

    QImage picture(QSize(1000, int(grid.contentHeight()) + 120) * ratio,
                   QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    QPalette palette;
    picture.fill(Theme::canvas.resolved(palette));
    QPainter painter(&picture);
    BoardPaintInputs inputs{palette};
    inputs.picture.state = BoardPicture::State::missing;
    paintCard(painter, grid.cardRect(0), note, inputs);
    paintCard(painter, grid.cardRect(1), shot, inputs);
    const CaptureRowContent row =
        rowContent(capture("Header clipped", true), group, tags, 0, now());
    paintRow(painter, QRectF(24, grid.contentHeight(), 950, 58), row, inputs);
    painter.end();

    QDir().mkpath(QStringLiteral(TAVRO_SCREENSHOT_DIR));
    const QString file = QStringLiteral(TAVRO_SCREENSHOT_DIR) +
                         QStringLiteral("/board-painting-scale") + QString::number(ratio) +
                         QStringLiteral(".png");
    ASSERT_TRUE(picture.save(file));
    EXPECT_EQ(grid.cardRect(0).center().y(), grid.cardRect(1).center().y());
}
