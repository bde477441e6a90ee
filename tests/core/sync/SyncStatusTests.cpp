#include "sync/SyncStatus.h"

#include <gtest/gtest.h>

using namespace tavro;
using Kind = SyncStatus::Kind;

TEST(SyncStatus, OnlySignedOutIsNotSignedIn) {
    for (Kind kind : {Kind::idle, Kind::offline, Kind::failed, Kind::syncing, Kind::sessionExpired})
        EXPECT_TRUE(SyncStatus{kind}.isSignedIn()) << int(kind);
    EXPECT_FALSE(SyncStatus{Kind::signedOut}.isSignedIn());
}

TEST(SyncStatus, EqualityLooksAtTheCaseAndItsPayload) {
    EXPECT_EQ(SyncStatus{Kind::idle}, SyncStatus{Kind::idle});
    EXPECT_NE(SyncStatus{Kind::idle}, (SyncStatus{Kind::idle, 5.0}));
    EXPECT_EQ((SyncStatus{Kind::idle, 5.0}), (SyncStatus{Kind::idle, 5.0}));
    EXPECT_NE((SyncStatus{Kind::offline, {}, "x"}), (SyncStatus{Kind::failed, {}, "x"}));
    EXPECT_NE((SyncStatus{Kind::offline, {}, "x"}), (SyncStatus{Kind::offline, {}, "y"}));
}
