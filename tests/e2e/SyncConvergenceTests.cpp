// Two computers of one user, each with its own library and its own engine through
// tavro-sync-driver, meet through the stand-in service: what one does reaches the other.
#include "PrivateKeyring.h"
#include "SyncService.h"
#include "SyncedComputer.h"
#include "model/Uuid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

namespace {

struct TwoComputers : ::testing::Test {
    // One keyring for the whole suite: this process's keyring client stays with the daemon it
    // reached first.
    static inline std::unique_ptr<PrivateKeyring> keyring;
    static void SetUpTestSuite() { keyring = std::make_unique<PrivateKeyring>(); }
    static void TearDownTestSuite() { keyring.reset(); }

    SyncService service;
    ScopedEnv api{"TAVRO_API_URL", service.baseURL()};
    SyncedComputer first{TAVRO_SYNC_DRIVER};
    SyncedComputer second{TAVRO_SYNC_DRIVER};

    void SetUp() override {
        service.configure({{"device_interval", 2}});
        signIn(first);
        signIn(second);
    }

    void signIn(SyncedComputer& computer) {
        const auto started = service.inspect("device-codes").size();
        auto run = std::async(std::launch::async, [&] { return computer.drive("sign-in"); });
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (service.inspect("device-codes").size() == started &&
               std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(20ms);
        service.approve();
        const auto result = run.get();
        ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
        ASSERT_TRUE(computer.hasToken());
    }

    // One pass, which must end idle.
    static void sync(SyncedComputer& computer) {
        const auto result = computer.drive("sync");
        ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    }

    static Capture captureOn(SyncedComputer& computer, const std::string& id) {
        std::optional<Capture> capture;
        computer.withStore([&](CaptureStore& store) { capture = store.capture(id); });
        EXPECT_TRUE(capture) << id;
        return capture.value_or(Capture{});
    }

    static std::vector<Comment> commentsOn(SyncedComputer& computer, const std::string& id) {
        std::vector<Comment> comments;
        computer.withStore([&](CaptureStore& store) { comments = store.comments(id); });
        return comments;
    }

    static void editNote(SyncedComputer& computer, const std::string& id, const std::string& note) {
        computer.withStore([&](CaptureStore& store) {
            auto capture = store.capture(id);
            ASSERT_TRUE(capture);
            capture->note = note;
            store.update(*capture);
        });
    }
};

} // namespace

TEST_F(TwoComputers, CapturesArriveWithTheirScreenshotFiles) {
    const auto checkout = first.capture("Pay button does nothing", {{}, {.marked = true}});
    const auto logo = first.capture("Logo is blurry on the start page", {{}});
    sync(first);
    sync(second);

    for (const auto& id : {checkout, logo}) {
        SCOPED_TRACE(id);
        const auto made = first.files(id);
        const auto arrived = second.files(id);
        EXPECT_EQ(arrived, made);
        for (const auto& [image, files] : arrived)
            for (const auto& hash : {files.original, files.marked, files.thumb})
                EXPECT_NE(hash, "missing") << image;
        EXPECT_EQ(captureOn(second, id).note, captureOn(first, id).note);
        EXPECT_TRUE(captureOn(second, id).hasImage()) << "the first screenshot is the cover";
    }
    EXPECT_EQ(second.files(checkout).size(), 2u);
}

TEST_F(TwoComputers, AStatusChangeAndACommentComeBack) {
    const auto id = first.capture("Search finds nothing", {{}});
    sync(first);
    sync(second);

    second.withStore([&](CaptureStore& store) {
        ASSERT_TRUE(store.setStatus(id, CaptureStatus::resolved, "you"));
        store.addComment({.id = makeUUID(),
                          .captureID = id,
                          .author = "you",
                          .body = "Fixed in 2.4: the index was empty",
                          .createdAt = now(),
                          .kind = "comment"});
    });
    sync(second);
    sync(first);

    EXPECT_EQ(captureOn(first, id).status, CaptureStatus::resolved);
    const auto comments = commentsOn(first, id);
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0].body, "Fixed in 2.4: the index was empty");
    EXPECT_EQ(comments[0].author, "you") << "the same user on both computers";
}

TEST_F(TwoComputers, ADeletionTakesTheCaptureAndItsFilesFromTheOther) {
    const auto id = first.capture("Tooltip covers the menu", {{.marked = true}, {}});
    const auto kept = first.capture("Kept", {});
    sync(first);
    sync(second);
    ASSERT_EQ(filesUnder(second.root() / "captures"), 3u);
    ASSERT_EQ(filesUnder(second.root() / "thumbs"), 2u);

    first.withStore([&](CaptureStore& store) { store.softDelete(id); });
    sync(first);
    sync(second);

    second.withStore([&](CaptureStore& store) {
        EXPECT_FALSE(store.rawCapture(id));
        EXPECT_TRUE(store.images(id).empty());
        EXPECT_TRUE(store.capture(kept));
    });
    EXPECT_EQ(filesUnder(second.root() / "captures"), 0u);
    EXPECT_EQ(filesUnder(second.root() / "thumbs"), 0u);
}

TEST_F(TwoComputers, ANoteEditedOnBothKeepsBothTexts) {
    const auto id = first.capture("Checkout fails", {});
    sync(first);
    sync(second);

    editNote(first, id, "Checkout fails on the second try");
    editNote(second, id, "Checkout fails after signing in again");
    sync(first);
    sync(second);
    sync(first);

    for (auto* computer : {&first, &second}) {
        SCOPED_TRACE(computer == &first ? "first" : "second");
        EXPECT_EQ(captureOn(*computer, id).note, "Checkout fails on the second try")
            << "the server's text stands";
        const auto comments = commentsOn(*computer, id);
        ASSERT_EQ(comments.size(), 1u);
        EXPECT_TRUE(comments[0].isConflict());
        EXPECT_NE(comments[0].body.find("Checkout fails after signing in again"), std::string::npos)
            << comments[0].body;
    }
    std::vector<std::string> lines;
    second.withStore([&](CaptureStore& store) {
        for (const auto& line : store.syncLog(20))
            lines.push_back(line.level + " " + line.message);
    });
    const auto merged = "info captures " + id.substr(id.size() - 8) +
                        ": the server's note stood; your version was kept alongside";
    EXPECT_NE(std::find(lines.begin(), lines.end(), merged), lines.end())
        << testing::PrintToString(lines);
}

// The service keeps the drawing that reached it first on the screenshot; the other computer's
// drawing becomes a screenshot of its own on the same capture, on both computers.
TEST_F(TwoComputers, AScreenshotMarkedUpOnBothKeepsBothDrawings) {
    const auto id = first.capture("Totals overlap the button", {{}});
    sync(first);
    sync(second);
    const auto original = first.files(id).begin()->second.original;

    const auto drawnFirst = first.markUp(id);
    const auto drawnSecond = second.markUp(id);
    sync(first);
    sync(second);
    sync(first);

    std::vector<std::string> markUps;
    second.withStore([&](CaptureStore& store) {
        for (const auto& image : store.images(id))
            markUps.push_back(image.annotationJSON.value_or(""));
    });
    for (auto* computer : {&first, &second}) {
        SCOPED_TRACE(computer == &first ? "first" : "second");
        std::vector<std::string> marked, originals;
        computer->withStore([&](CaptureStore& store) {
            const auto images = store.images(id);
            ASSERT_EQ(images.size(), 2u);
            EXPECT_EQ(images[0].position, 0);
            EXPECT_EQ(images[1].position, 1);
            std::vector<std::string> shapes;
            for (const auto& image : images)
                shapes.push_back(image.annotationJSON.value_or(""));
            EXPECT_EQ(shapes, markUps) << "the same marks on both";
        });
        for (const auto& [image, files] : computer->files(id)) {
            marked.push_back(files.marked);
            originals.push_back(files.original);
        }
        EXPECT_THAT(marked, testing::UnorderedElementsAre(drawnFirst, drawnSecond));
        EXPECT_THAT(originals, testing::Each(original));
        EXPECT_THAT(computer->capturesOnDisk(),
                    testing::UnorderedElementsAre(original, original, drawnFirst, drawnSecond))
            << "no drawing is left under a name no screenshot uses";
    }
    EXPECT_NE(markUps[0], markUps[1]);
    EXPECT_EQ(first.files(id), second.files(id));
}

// Screenshots and a comment behind a long backlog of text captures all reach the service, and
// the other computer.
TEST_F(TwoComputers, ABacklogOfCapturesHoldsBackNoScreenshotOrComment) {
    constexpr int backlog = 3000;
    first.withStore([&](CaptureStore& store) {
        store.db().transaction([&] {
            const Seconds start = now() - 3600;
            for (int i = 0; i < backlog; ++i)
                store.insert({.id = makeUUID(),
                              .createdAt = start + i * 0.01,
                              .note = "Text note " + std::to_string(i)});
        });
    });
    std::vector<std::string> shot;
    for (int i = 0; i < 11; ++i)
        shot.push_back(first.capture("Screenshot " + std::to_string(i), {{}}));
    const std::string comment = makeUUID();
    first.withStore([&](CaptureStore& store) {
        store.addComment({.id = comment,
                          .captureID = shot.back(),
                          .author = "you",
                          .body = "Also on the second monitor",
                          .createdAt = now(),
                          .kind = "comment"});
    });
    sync(first);
    first.withStore([&](CaptureStore& store) { EXPECT_EQ(store.unsentChangeCount(), 0); });
    const auto tables = service.inspect("state").at("tables");
    EXPECT_EQ(tables.at("captures").size(), size_t(backlog + 11));
    EXPECT_EQ(tables.at("capture_images").size(), 11u);
    EXPECT_TRUE(tables.at("comments").contains(comment));

    service.configure({{"page_size", 1000}});
    sync(second);
    for (const auto& id : shot) {
        SCOPED_TRACE(id);
        EXPECT_EQ(second.files(id), first.files(id));
        EXPECT_EQ(second.files(id).size(), 1u);
    }
    const auto comments = commentsOn(second, shot.back());
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0].body, "Also on the second monitor");
}

// The wait after a failed upload outlives the process: the next start neither tries the
// screenshots again nor logs them, and a pass that does try them writes one line.
TEST_F(TwoComputers, UnuploadableScreenshotsLogOneLineAndWaitAcrossRestarts) {
    second.unuploadableScreenshots(200);
    second.drive("sync");
    second.drive("sync");
    std::vector<std::string> skipped;
    second.withStore([&](CaptureStore& store) {
        for (const auto& line : store.syncLog(1000))
            if (line.message.find("skipped") != std::string::npos)
                skipped.push_back(line.message);
    });
    ASSERT_EQ(skipped.size(), 1u) << testing::PrintToString(skipped);
    EXPECT_NE(skipped[0].find("(199 more screenshots skipped this pass)"), std::string::npos)
        << skipped[0];
}

TEST_F(TwoComputers, ScreenshotsThatCannotBeUploadedStepAsideForANewOne) {
    second.unuploadableScreenshots(200);
    auto result = second.drive("sync");
    EXPECT_NE(result.out.find("200 screenshots can't be uploaded"), std::string::npos)
        << result.out << result.err;

    const auto id = second.capture("Menu opens off screen", {{}});
    second.drive("sync");
    result = second.drive("sync");
    EXPECT_NE(result.out.find("failed: 200 screenshots can't be uploaded"), std::string::npos)
        << "the status is not idle while they wait: " << result.out;
    sync(first);
    const auto arrived = first.files(id);
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived, second.files(id));
}
