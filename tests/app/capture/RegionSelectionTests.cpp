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
