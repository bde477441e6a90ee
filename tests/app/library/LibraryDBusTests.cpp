#include "LibraryFixture.h"
#include "WriteAnswer.h"

#include "model/Paths.h"

#include "ProcessRunner.h"
#include "SilentBus.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

// The listener connects off the GUI thread; these cases start once it hears the bus.
std::unique_ptr<StoreChangeListener> listeningListener() {
    auto listener = makeStoreChangeListener();
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener->isListening(); }, 5000));
    return listener;
}

// An agent's claim and resolve of the capture, written by another process.
void resolveInAnotherProgram(const std::string& captureID) {
    const auto result =
        test::ProcessRunner::run({TAVRO_STORE_PROBE, "claim-resolve",
                                  TavroPaths::databasePath().string(), captureID, "1", "agent"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

struct BusLibrary : LibraryFixture {
    BusLibrary()
        : LibraryFixture(listeningListener()) {}
};

} // namespace

TEST(LibraryOnTheBusTest, ReloadsWithinASecondOfAnotherProgramsWrite) {
    BusLibrary f;
    const Capture capture = LibraryFixture::makeCapture("shared");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    f.settle();

    ASSERT_NO_FATAL_FAILURE(resolveInAnotherProgram(capture.id));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.library->captures().at(0).status == CaptureStatus::resolved; }, 3500));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(f.library->captures().at(0).claimedBy, "agent");
}

TEST(LibraryOnTheBusTest, ItsOwnWriteReloadsExactlyOnce) {
    auto listener = listeningListener();
    QSignalSpy heard(listener.get(), &StoreChangeListener::changed);
    LibraryFixture f(std::move(listener));
    const Capture capture = LibraryFixture::makeCapture("mine");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    f.settle();

    QSignalSpy reloads(f.library.get(), &Library::reloaded);
    EXPECT_TRUE(test::awaitWrite(f.library->setStatus(CaptureStatus::resolved, capture.id)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reloads.count() > 0; }, 2000));
    // "Exactly once" takes a while to show: no second reload follows, and the signals the
    // writes sent to other programs are not heard back.
    EXPECT_FALSE(QTest::qWaitFor([&] { return reloads.count() > 1; }, 300));
    EXPECT_EQ(reloads.count(), 1);
    EXPECT_EQ(heard.count(), 0);

    // Another program's signal still is.
    ASSERT_NO_FATAL_FAILURE(resolveInAnotherProgram(capture.id));
    EXPECT_TRUE(QTest::qWaitFor([&] { return heard.count() > 0; }, 2000));
}

// A bus that takes the connection and never answers holds neither the facade's construction
// nor its writes; the poll still brings another program's write in.
TEST(LibraryOnTheBusTest, ASilentBusHoldsNothingUp) {
    test::MuteBus mute;
    const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(mute.address()));
    QElapsedTimer clock;
    clock.start();
    LibraryFixture f(makeStoreChangeListener());
    EXPECT_LT(clock.elapsed(), 1000);
    qputenv("DBUS_SESSION_BUS_ADDRESS", saved);

    const Capture capture = LibraryFixture::makeCapture("polled");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    f.settle();
    ASSERT_NO_FATAL_FAILURE(resolveInAnotherProgram(capture.id));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return f.library->captures().at(0).status == CaptureStatus::resolved; }, 5000));
}
