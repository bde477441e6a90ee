#include "onboarding/OnboardingFlow.h"

#include <gtest/gtest.h>

using namespace tavro;
using Footer = OnboardingFlow::Footer;
using Mark = OnboardingFlow::Mark;
using Page = OnboardingFlow::Page;

namespace {

OnboardingFlow at(int step) {
    OnboardingFlow flow;
    for (int i = 0; i < step; ++i)
        flow.forward();
    return flow;
}

} // namespace

TEST(OnboardingFlow, EachStepHasItsPageAndFooter) {
    struct Case {
        int step;
        Page page;
        Footer withoutScreenRecording;
        Footer withScreenRecording;
    };
    const Case cases[] = {
        {0, Page::welcome, {false, false, "Continue", false}, {false, false, "Continue", false}},
        {1,
         Page::permission,
         {true, false, "Continue anyway", false},
         {true, false, "Continue", false}},
        {2, Page::shortcuts, {true, false, "Continue", false}, {true, false, "Continue", false}},
        {3, Page::agent, {true, true, "Continue", false}, {true, true, "Continue", false}},
        {4,
         Page::ready,
         {true, false, "Start using Tavro", true},
         {true, false, "Start using Tavro", true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        const OnboardingFlow flow = at(c.step);
        EXPECT_EQ(flow.step(), c.step);
        EXPECT_EQ(flow.page(), c.page);
        EXPECT_EQ(flow.footer(false), c.withoutScreenRecording);
        EXPECT_EQ(flow.footer(true), c.withScreenRecording);
    }
    EXPECT_EQ(OnboardingFlow::stepTitles(),
              (std::array<std::string_view, 5>{"Welcome", "Permission", "Shortcuts", "Your agent",
                                               "Ready"}));
}

TEST(OnboardingFlow, TheFooterNeverMovesTheStepOutOfItsRange) {
    OnboardingFlow flow;
    flow.back();
    EXPECT_EQ(flow.step(), 0);
    for (int i = 0; i < 9; ++i)
        flow.forward();
    EXPECT_EQ(flow.step(), 4);
    flow.back();
    EXPECT_EQ(flow.step(), 3);
    for (int i = 0; i < 9; ++i)
        flow.back();
    EXPECT_EQ(flow.step(), 0);
}

TEST(OnboardingFlow, TheProgressBarFillsDoneStepsAndTheCurrentOne) {
    const Mark ahead{false, false, false, false};
    const Mark current{true, false, true, false};
    const Mark done{true, true, false, true};
    struct Case {
        int step;
        std::array<Mark, 5> marks;
    };
    const Case cases[] = {
        {0, {current, ahead, ahead, ahead, ahead}},
        {2, {done, done, current, ahead, ahead}},
        // The last step's connector does not exist; its flag is never drawn.
        {4, {done, done, done, done, current}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        EXPECT_EQ(at(c.step).progress(), c.marks);
    }
}

TEST(OnboardingFlow, TheReadySummaryFollowsTheBindings) {
    struct Case {
        HotkeyBinding region;
        HotkeyBinding fullScreen;
    };
    const Case cases[] = {
        {HotkeyBinding::defaultRegion(), HotkeyBinding::defaultFullScreen()},
        {HotkeyBinding{std::nullopt, ModifierSet::option, 2}, HotkeyBinding::defaultFullScreen()},
        {HotkeyBinding{19, ModifierSet::control, 3},
         HotkeyBinding{std::nullopt, ModifierSet::command, 1}},
    };
    for (const Case& c : cases) {
        const std::string region = c.region.displayString();
        SCOPED_TRACE(region);
        const auto rows = readySummary(c.region, c.fullScreen);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0], (ShortcutSummaryRow{region, "capture a region"}));
        EXPECT_EQ(rows[1],
                  (ShortcutSummaryRow{c.fullScreen.displayString(), "capture the whole screen"}));
        EXPECT_EQ(rows[2],
                  (ShortcutSummaryRow{region + "  " + region, "file an issue with no screenshot"}));
    }
}
