#include "LibraryFixture.h"

#include "store/Database.h"

#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

// What a view asks of the store beyond the published board is answered through the facade's
// reader, on the GUI thread, and none of it runs a statement there.
TEST(LibraryViewReadsTest, ScreenshotsAndDeletionsAreAnsweredThroughTheReader) {
    LibraryFixture f;
    const Capture live = LibraryFixture::makeCapture("live");
    const Capture gone = LibraryFixture::makeCapture("gone");
    ASSERT_TRUE(test::awaitWrite(f.library->add(live, {}, {})));
    ASSERT_TRUE(test::awaitWrite(f.library->add(gone, {}, {})));
    ASSERT_TRUE(test::awaitWrite(
        f.library->addImage(LibraryFixture::makeImage(30, 20), live.id, CaptureMode::region)));
    ASSERT_TRUE(test::awaitWrite(f.library->deleteCapture(gone.id)));
    f.settle();
    const CaptureImage shot = f.store().images(live.id).at(0);
    // Another program wrote this one a moment ago: the board has not published it yet.
    const Capture fresh = LibraryFixture::makeCapture("fresh");
    f.store().insert(fresh);

    struct Case {
        const char* name;
        // Asks, and hands `right` whether the answer is the expected one.
        std::function<void(Library&, QObject*, std::function<void(bool)> right)> ask;
    };
    const std::vector<Case> cases{
        {"a screenshot",
         [&](Library& library, QObject* context, std::function<void(bool)> right) {
             library.readImage(shot.id, context,
                               [=](std::optional<CaptureImage> image) { right(image == shot); });
         }},
        {"no such screenshot",
         [&](Library& library, QObject* context, std::function<void(bool)> right) {
             library.readImage("no-such-image", context,
                               [=](std::optional<CaptureImage> image) { right(!image); });
         }},
        {"a live capture is not deleted",
         [&](Library& library, QObject* context, std::function<void(bool)> right) {
             library.readDeleted(live.id, context, [=](bool deleted) { right(!deleted); });
         }},
        {"a capture not published yet is not deleted",
         [&](Library& library, QObject* context, std::function<void(bool)> right) {
             library.readDeleted(fresh.id, context, [=](bool deleted) { right(!deleted); });
         }},
        {"a deleted capture",
         [&](Library& library, QObject* context, std::function<void(bool)> right) {
             library.readDeleted(gone.id, context, [=](bool deleted) { right(deleted); });
         }},
        {"a capture never stored counts as deleted",
         [&](Library& library, QObject* context, std::function<void(bool)> right) {
             library.readDeleted("no-such-capture", context, [=](bool deleted) { right(deleted); });
         }},
        {"a capture's screenshots",
         [&](Library& library, QObject* context, std::function<void(bool)> right) {
             library.readDetail(
                 live.id, DetailPart::images, context, [=](const CaptureDetail& detail) {
                     right(!detail.error && detail.images.size() == 1 && detail.images[0] == shot);
                 });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint64_t before = Database::statementsOnThisThread();
        QObject context;
        std::optional<bool> right;
        bool onGuiThread = false;
        c.ask(*f.library, &context, [&](bool answer) {
            onGuiThread = QThread::currentThread() == context.thread();
            right = answer;
        });
        EXPECT_FALSE(right) << "answered before the call returned";
        ASSERT_TRUE(QTest::qWaitFor([&] { return right.has_value(); }, 10000));
        EXPECT_TRUE(*right);
        EXPECT_TRUE(onGuiThread);
        EXPECT_FALSE(f.library->viewReadsPending());
        EXPECT_EQ(Database::statementsOnThisThread(), before);
    }

    // A view that goes before its answer arrives hears nothing.
    auto context = std::make_unique<QObject>();
    bool answered = false;
    f.library->readImage(shot.id, context.get(),
                         [&](std::optional<CaptureImage>) { answered = true; });
    context.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.library->viewReadsPending(); }, 10000));
    EXPECT_FALSE(answered);
}

TEST(LibraryViewReadsTest, ReadsAreAnsweredInTheOrderAsked) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("one");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    f.settle();
    std::vector<int> order;
    QObject context;
    for (int i = 0; i < 6; ++i) {
        if (i % 2)
            f.library->readDeleted(capture.id, &context, [&order, i](bool) { order.push_back(i); });
        else
            f.library->readDetail(capture.id, DetailPart::comments, &context,
                                  [&order, i](const CaptureDetail&) { order.push_back(i); });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 6; }, 10000));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}
