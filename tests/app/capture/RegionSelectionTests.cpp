#include "capture/RegionSelection.h"
#include "values/AppRequest.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(RegionSelectionTest, OnlyADragOfAtLeastFourByFourSelects) {
    struct Case {
        const char* name;
        QPointF from;
        std::optional<QPointF> to;
        std::optional<QRectF> expected;
    };
    const std::vector<Case> cases{
        {"click", {10, 10}, std::nullopt, std::nullopt},
        {"3.9 wide", {10, 10}, QPointF(13.9, 110), std::nullopt},
        {"4 by 4", {10, 10}, QPointF(14, 14), QRectF(10, 10, 4, 4)},
        {"dragged up and left", {400, 300}, QPointF(100, 100), QRectF(100, 100, 300, 200)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegionSelection selection;
        selection.reset({0, 0});
        selection.beginDrag(c.from);
        if (c.to)
            selection.updateDrag(*c.to);
        EXPECT_EQ(selection.endDrag(), c.expected);
        EXPECT_FALSE(selection.anchor());
    }
}

TEST(RegionSelectionTest, TheBadgeShowsPixelsOfTheScreenHoldingMostOfTheSelection) {
    const std::vector<QRectF> frames{QRectF(0, 0, 1000, 800), QRectF(1000, 0, 1000, 800)};
    const std::vector<double> scales{1, 2};
    const QRectF mostlyRight(900, 10, 300, 100);
    const double scale = SelectionLayout::badgeScale(mostlyRight, frames, scales, 1);
    EXPECT_EQ(scale, 2);
    EXPECT_EQ(SelectionLayout::sizeText(mostlyRight, scale), QStringLiteral("600 × 200"));
    EXPECT_EQ(SelectionLayout::sizeText(QRectF(0, 0, 50.7, 20.2), 1), QStringLiteral("50 × 20"));
}

TEST(RegionSelectionTest, TheBadgeGoesBelowTheSelectionUnlessThereIsNoRoom) {
    const QRectF screen(0, 0, 1000, 800);
    const QSizeF badge(100, 24);
    struct Case {
        const char* name;
        QRectF selection;
        QPointF expected;
    };
    const std::vector<Case> cases{
        {"below", QRectF(200, 100, 200, 100), QPointF(250, 208)},
        {"at the bottom: above", QRectF(200, 700, 200, 100), QPointF(250, 668)},
        {"at the left edge: kept inside", QRectF(0, 100, 20, 20), QPointF(4, 128)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SelectionLayout::badgeRect(c.selection, screen, badge).topLeft(), c.expected);
    }
    EXPECT_EQ(SelectionLayout::hintRect(screen, QSizeF(300, 40)), QRectF(350, 696, 300, 40));
}

TEST(RegionSelectionTest, APointerMoveRepaintsOnlyWhatItChanges) {
    const QRectF window(0, 0, 5120, 2880);
    const QRectF hint(2400, 2700, 320, 40);
    const OverlayMarks hovering{std::nullopt, std::nullopt, QPointF(300, 200), hint};
    const OverlayMarks dragging{QRectF(100, 100, 400, 300), QRectF(250, 408, 100, 24), std::nullopt,
                                std::nullopt};
    const OverlayMarks grown{QRectF(100, 100, 410, 300), QRectF(255, 408, 100, 24), std::nullopt,
                             std::nullopt};
    const OverlayMarks away{QRectF(100, 100, 410, 300), std::nullopt, std::nullopt, std::nullopt};
    struct Case {
        const char* name;
        OverlayMarks before;
        OverlayMarks after;
        std::vector<QPoint> repainted;
        std::vector<QPoint> kept;
        int mostPixels;
    };
    const std::vector<Case> cases{
        {"nothing moved", dragging, dragging, {}, {QPoint(300, 250)}, 0},
        // The new right edge, the strip it uncovers and both badges; not the selection's inside.
        {"the drag grows by ten",
         dragging,
         grown,
         {QPoint(505, 250), QPoint(500, 100), QPoint(300, 420), QPoint(354, 420)},
         {QPoint(300, 250), QPoint(4000, 2000), QPoint(100, 2000)},
         30000},
        {"the guides move",
         hovering,
         OverlayMarks{std::nullopt, std::nullopt, QPointF(310, 200), hint},
         {QPoint(300, 2000), QPoint(310, 2000), QPoint(4000, 200)},
         {QPoint(305, 2000), QPoint(4000, 210), hint.center().toPoint()},
         2 * 3 * (5120 + 2880)},
        {"the drag begins",
         hovering,
         dragging,
         {QPoint(300, 250), QPoint(300, 2000), hint.center().toPoint(), QPoint(300, 420)},
         {QPoint(4000, 2000)},
         -1},
        {"the pointer leaves for another screen",
         grown,
         away,
         {QPoint(300, 420)},
         {QPoint(505, 250), QPoint(300, 250)},
         3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QRegion area = SelectionLayout::changedArea(c.before, c.after, window);
        for (const QPoint& point : c.repainted)
            EXPECT_TRUE(area.contains(point)) << point.x() << "," << point.y();
        for (const QPoint& point : c.kept)
            EXPECT_FALSE(area.contains(point)) << point.x() << "," << point.y();
        qint64 pixels = 0;
        for (const QRect& rect : area)
            pixels += qint64(rect.width()) * rect.height();
        if (c.mostPixels >= 0) {
            EXPECT_LE(pixels, c.mostPixels);
        }
        EXPECT_TRUE(QRegion(window.toRect()).contains(area.boundingRect()) || area.isEmpty());
    }
}

TEST(RegionSelectionTest, TheHintNamesSpaceAndEscapeByTheirSymbols) {
    // Four spaces between the parts; an open box for Space, a broken circle for Escape.
    EXPECT_EQ(SelectionLayout::hintText(),
              QStringLiteral("Drag to select    \u2423 full screen    \u238B cancel"));
}

TEST(AppRequestTest, CommandLineArgumentsNameTheRequests) {
    EXPECT_EQ(requestKindFromArgument("--capture-region"), AppRequest::Kind::captureRegion);
    EXPECT_EQ(requestKindFromArgument("--capture-fullscreen"), AppRequest::Kind::captureFullScreen);
    EXPECT_EQ(requestKindFromArgument("--new-issue"), AppRequest::Kind::newIssue);
    EXPECT_EQ(requestKindFromArgument(""), AppRequest::Kind::reopen);
    EXPECT_FALSE(requestKindFromArgument("--capture"));
    for (auto kind : {AppRequest::Kind::reopen, AppRequest::Kind::captureRegion,
                      AppRequest::Kind::captureFullScreen, AppRequest::Kind::newIssue})
        EXPECT_EQ(requestKindFromArgument(argumentFor(kind)), kind);
    EXPECT_FALSE((AppRequest{AppRequest::Kind::captureFullScreen, AppRequest::Source::menu})
                     .awaitsSecondPress());
    EXPECT_TRUE((AppRequest{AppRequest::Kind::captureFullScreen, AppRequest::Source::commandLine})
                    .awaitsSecondPress());
}
