#include "desktop/SingleInstance.h"

#include "TempLibrary.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

using namespace tavro;
using tavro::test::ScopedEnv;
using tavro::test::TempFolder;

namespace {

struct RuntimeFolder {
    TempFolder folder;
    ScopedEnv runtime{"XDG_RUNTIME_DIR", folder.path().string()};
};

} // namespace

TEST(SingleInstanceTest, ACopyStartingWhileAnotherStartsNeitherRunsNorTakesItsSocket) {
    RuntimeFolder runtime;
    SingleInstance first;
    ASSERT_EQ(first.start(AppRequest::Kind::reopen, 0), SingleInstance::Role::primary);

    // The first copy is still starting: it holds the lock but does not listen yet.
    SingleInstance second;
    EXPECT_EQ(second.start(AppRequest::Kind::captureRegion, 200), SingleInstance::Role::unanswered);
    EXPECT_FALSE(second.listen());

    ASSERT_TRUE(first.listen());
    QSignalSpy requested(&first, &SingleInstance::requested);
    std::atomic<int> role{-1};
    std::thread third([&] {
        SingleInstance late;
        role = int(late.start(AppRequest::Kind::newIssue, 5000));
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return role != -1; }, 8000));
    third.join();
    EXPECT_EQ(role, int(SingleInstance::Role::handedOver));
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested[0][0].value<AppRequest::Kind>(), AppRequest::Kind::newIssue);
}

TEST(SingleInstanceTest, TheLockOfACopyThatEndedIsFreeAndItsSocketIsReplaced) {
    RuntimeFolder runtime;
    {
        SingleInstance gone;
        ASSERT_EQ(gone.start(AppRequest::Kind::reopen, 0), SingleInstance::Role::primary);
        ASSERT_TRUE(gone.listen());
    }
    // A crashed app leaves its socket file behind.
    std::ofstream(SingleInstance::socketPath().toStdString()) << "left";

    SingleInstance next;
    EXPECT_EQ(next.start(AppRequest::Kind::reopen, 0), SingleInstance::Role::primary);
    EXPECT_TRUE(next.listen());
}
