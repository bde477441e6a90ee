#include "LibraryFixture.h"

#include "model/Paths.h"

#include "ProcessRunner.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

struct BusLibrary : LibraryFixture {
    BusLibrary()
        : LibraryFixture(makeStoreChangeListener()) {}
};

} // namespace

TEST(LibraryOnTheBusTest, ReloadsWithinASecondOfAnotherProgramsWrite) {
    BusLibrary f;
    const Capture capture = LibraryFixture::makeCapture("shared");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    f.settle();

    const auto result =
        test::ProcessRunner::run({TAVRO_STORE_PROBE, "claim-resolve",
                                  TavroPaths::databasePath().string(), capture.id, "1", "agent"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.library->captures().at(0).status == CaptureStatus::resolved; }, 3500));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(f.library->captures().at(0).claimedBy, "agent");
}

TEST(LibraryOnTheBusTest, ItsOwnWriteReloadsExactlyOnce) {
    auto listener = makeStoreChangeListener();
    QSignalSpy heard(listener.get(), &StoreChangeListener::changed);
    LibraryFixture f(std::move(listener));
    const Capture capture = LibraryFixture::makeCapture("mine");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.count() > 0; }, 2000));
    f.settle();
    heard.clear();

    QSignalSpy reloads(f.library.get(), &Library::reloaded);
    EXPECT_TRUE(test::awaitWrite(f.library->setStatus(CaptureStatus::resolved, capture.id)));
    // The store's own notifications of that write arrive, and find nothing new.
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.count() > 0; }, 2000));
    QTest::qWait(300);
    EXPECT_EQ(reloads.count(), 1);
}
