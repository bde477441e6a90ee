#include "capture/RegionSelectionOverlay.h"

#include "FlowFakes.h"

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::FakeDesktop;

namespace {

// Whether the overlay is see-through is the desktop's answer, asked afresh on every present.
TEST(RegionSelectionOverlay, IsSeeThroughOnlyWhereTheDesktopComposites) {
    FakeDesktop desktop;
    RegionSelectionOverlay overlay(desktop);
    for (bool composited : {true, false, true}) {
        SCOPED_TRACE(composited ? "composited" : "not composited");
        desktop.composited = composited;
        overlay.present([](const std::optional<QRectF>&) {}, [](const QPointF&) {});
        ASSERT_FALSE(overlay.windows().empty());
        for (const auto& window : overlay.windows())
            EXPECT_EQ(window->translucent(), composited);
        overlay.abandon();
        EXPECT_FALSE(overlay.isShowing());
    }
}

} // namespace
