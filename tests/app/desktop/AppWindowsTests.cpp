#include "desktop/AppWindows.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace tavro;

namespace {

TEST(AppWindowsTest, HideTavroTakesEveryTitledWindowAwayAndReopeningBringsEachBack) {
    QWidget board;
    board.setWindowTitle(QStringLiteral("Tavro"));
    QWidget settings;
    settings.setWindowTitle(QStringLiteral("Tavro Settings"));
    QWidget closedEarlier;
    auto gone = std::make_unique<QWidget>();
    for (QWidget* window : {&board, &settings, gone.get()})
        window->show();

    hideAppWindows();
    EXPECT_FALSE(board.isVisible());
    EXPECT_FALSE(settings.isVisible());
    gone.reset(); // a hidden window that closes meanwhile does not come back

    const std::vector<QWidget*> shown = unhideAppWindows();
    EXPECT_TRUE(board.isVisible());
    EXPECT_TRUE(settings.isVisible());
    EXPECT_FALSE(closedEarlier.isVisible()) << "only what was hidden comes back";
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(unhideAppWindows().empty()) << "each hide is undone once";
}

} // namespace
