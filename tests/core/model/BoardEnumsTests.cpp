#include "model/BoardEnums.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tavro;

TEST(BoardEnums, TextValuesMatchExactly) {
    EXPECT_EQ(fromRawValue<CaptureStatus>("in_progress"), CaptureStatus::inProgress);
    for (auto text :
         {"In Progress", "in-progress", "inProgress", "IN_PROGRESS", "", " open", "open "})
        EXPECT_EQ(fromRawValue<CaptureStatus>(text), std::nullopt) << text;
    EXPECT_EQ(fromRawValue<SyncState>("pendingPush"), SyncState::pendingPush);
    EXPECT_EQ(fromRawValue<SyncState>("pendingpush"), std::nullopt);
    EXPECT_EQ(fromRawValue<SyncState>("pending_push"), std::nullopt);
    EXPECT_EQ(fromRawValue<CaptureMode>("fullscreen"), CaptureMode::fullscreen);
    EXPECT_EQ(fromRawValue<CaptureMode>("Full Screen"), std::nullopt);
    EXPECT_EQ(fromRawValue<GroupVisibility>("private"), GroupVisibility::privateGroup);
    EXPECT_EQ(rawValue(GroupVisibility::privateGroup), "private");
    EXPECT_EQ(rawValue(CaptureStatus::inProgress), "in_progress");
}

TEST(BoardEnums, DisplayNamesAndOrder) {
    EXPECT_EQ(displayName(CaptureStatus::inProgress), "In Progress");
    EXPECT_EQ(displayName(CapturePriority::normal), "Normal");
    EXPECT_EQ(displayName(CaptureMode::fullscreen), "Full Screen");
    EXPECT_EQ(displayName(CaptureMode::text), "Text only");
    EXPECT_EQ(allCases<CaptureStatus>(),
              (std::array{CaptureStatus::open, CaptureStatus::inProgress, CaptureStatus::resolved,
                          CaptureStatus::archived}));
    EXPECT_FALSE(isActive(CaptureStatus::resolved));
    EXPECT_FALSE(isActive(CaptureStatus::archived));

    std::array priorities{CapturePriority::low, CapturePriority::high, CapturePriority::normal};
    std::sort(priorities.begin(), priorities.end(),
              [](auto a, auto b) { return sortWeight(a) < sortWeight(b); });
    EXPECT_EQ(priorities,
              (std::array{CapturePriority::high, CapturePriority::normal, CapturePriority::low}));
}
