#include "LibraryFixture.h"

#include "board/CaptureFilterEngine.h"
#include "board/SidebarRows.h"
#include "model/Paths.h"
#include "values/Utf8.h"

#include "ProcessRunner.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "TempLibrary.h"
#include "ledger/SyncLedger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>

namespace fs = std::filesystem;
using namespace tavro;
using tavro::test::filesUnder;
using tavro::test::LibraryFixture;

namespace {

// What a view sees; compared whole to show that a failed write changed none of it.
struct Published {
    std::vector<Capture> captures;
    std::vector<CaptureGroup> groups;
    std::map<CaptureStatus, std::int64_t> counts;
    std::unordered_map<std::string, std::vector<std::string>> tags;
    std::unordered_map<std::string, std::int64_t> comments;
    std::vector<std::string> allTags;
    std::unordered_map<std::string, std::int64_t> images;
    bool operator==(const Published&) const = default;
};

Published published(const Library& library) {
    return {library.captures(),
            library.groups(),
            library.counts(),
            library.tagsByCapture(),
            library.state()->commentCounts(),
            library.allTags(),
            library.state()->imageCounts()};
}

} // namespace

TEST(LibraryTest, AnEmptyLibraryPublishesNothing) {
    LibraryFixture f;
    const Library& library = *f.library;
    EXPECT_TRUE(library.captures().empty());
    EXPECT_TRUE(library.groups().empty());
    EXPECT_TRUE(library.counts().empty());
    EXPECT_TRUE(library.tagsByCapture().empty());
    EXPECT_EQ(library.openCount(), 0);
    EXPECT_EQ(library.assignedToMeCount(), 0);
    EXPECT_FALSE(library.currentUserID());
    EXPECT_FALSE(library.loadError());
}

TEST(LibraryTest, PublishesEveryLiveCaptureNewestFirstWithTheStoresCounts) {
    LibraryFixture f;
    CaptureGroup group;
    group.id = "g1";
    group.name = "Checkout flow";
    group.colorHex = "#6E7BF2";
    f.store().db().transaction([&] {
        f.store().upsertGroup(group);
        f.store().setSyncMeta("user_id", "me");
        for (int i = 0; i < 1200; ++i) {
            const auto priority = i % 10 == 0 ? CapturePriority::high : CapturePriority::normal;
            Capture capture = LibraryFixture::makeCapture("n" + std::to_string(i), priority,
                                                          CaptureMode::region, 1000.0 + i);
            capture.status = CaptureStatus(i % 4);
            if (i % 3 == 0)
                capture.groupID = group.id;
            if (i % 5 == 0)
                capture.assigneeID = "me";
            f.store().insert(capture);
        }
    });
    f.reloadAndWait();
    const auto& captures = f.library->captures();
    ASSERT_EQ(captures.size(), 1200u);
    EXPECT_EQ(captures[0].note, "n1199");
    EXPECT_EQ(captures[1199].note, "n0");
    for (size_t i = 1; i < captures.size(); ++i)
        EXPECT_GT(captures[i - 1].createdAt, captures[i].createdAt);
    const auto found = CaptureFilterEngine::apply(captures, LibraryFilter::everything(), " N0 ",
                                                  SortOrder::newest, f.library->currentUserID());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(captures[found[0]].note, "n0");

    EXPECT_EQ(f.library->counts(), f.store().countsByStatus());
    EXPECT_EQ(f.library->counts().at(CaptureStatus::open), 300);
    EXPECT_EQ(f.library->openCount(), 600);
    CaptureQuery mine;
    mine.assigneeID = "me";
    mine.statuses = std::vector<CaptureStatus>(activeStatuses.begin(), activeStatuses.end());
    mine.limit = 5000;
    EXPECT_EQ(f.library->assignedToMeCount(), std::int64_t(f.store().captures(mine).size()));
    CaptureQuery grouped;
    grouped.groupID = group.id;
    grouped.statuses = mine.statuses;
    grouped.limit = 5000;
    const SidebarRows rows = sidebarRows(SidebarSource::of(*f.library));
    ASSERT_EQ(rows.groups.size(), 1u);
    EXPECT_EQ(rows.groups[0].count, std::int64_t(f.store().captures(grouped).size()));
    EXPECT_EQ(rows.library.back().count, 1200);
}

TEST(LibraryTest, OnlyTaggedCapturesHaveTagEntries) {
    LibraryFixture f;
    const Capture tagged = LibraryFixture::makeCapture("tagged");
    const Capture plain = LibraryFixture::makeCapture("plain");
    ASSERT_TRUE(test::awaitWrite(f.library->add(tagged, {"UI", " bug "}, {})));
    ASSERT_TRUE(test::awaitWrite(f.library->add(plain, {}, {})));
    f.settle();
    EXPECT_EQ(f.library->tagsByCapture().size(), 1u);
    EXPECT_EQ(f.library->tagsByCapture().at(tagged.id), (std::vector<std::string>{"bug", "ui"}));
    EXPECT_EQ(f.library->allTags().size(), 2u);
}

TEST(LibraryTest, AFailedWriteTellsItsCallerWhyAndChangesNothingElse) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("first");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {"a"}, {})));
    f.settle();
    const Published before = published(*f.library);
    QSignalSpy reloads(f.library.get(), &Library::reloaded);
    QSignalSpy told(f.account.get(), &Account::localChangeNoted);

    struct Case {
        const char* name;
        std::function<WriteResult<>()> write;
    };
    const std::vector<Case> cases{
        {"the same id twice",
         [&] {
             return test::awaitWrite(f.library->add(capture, {}, {}));
         }},
        {"tags of no capture",
         [&] {
             return test::awaitWrite(f.library->setTags({"x"}, "no-such-capture"));
         }},
        {"a comment on no capture",
         [&] {
             return test::awaitWrite(f.library->addComment("hello", "no-such-capture"));
         }},
        {"a screenshot of no capture",
         [&] {
             return test::awaitWrite(f.library->addImage(LibraryFixture::makeImage(8, 8),
                                                         "no-such-capture", CaptureMode::region));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WriteResult<> result = c.write();
        EXPECT_FALSE(result);
        EXPECT_FALSE(result.error().empty());
        // Loading went well: a write's failure is its caller's to show.
        EXPECT_FALSE(f.library->loadError());
        EXPECT_FALSE(f.library->reloadPending());
        EXPECT_EQ(published(*f.library), before);
    }
    EXPECT_EQ(reloads.count(), 0);
    EXPECT_EQ(told.count(), 0);

    const WriteResult<> resolved =
        test::awaitWrite(f.library->setStatus(CaptureStatus::resolved, capture.id));
    EXPECT_TRUE(resolved);
    EXPECT_TRUE(resolved.error().empty());
    f.settle();
    EXPECT_FALSE(f.library->loadError());
    EXPECT_EQ(reloads.count(), 1);
    EXPECT_EQ(told.count(), 1);
}

TEST(LibraryTest, ANewGroupIsPublishedAndANameInUseGivesTheListedGroup) {
    LibraryFixture f;
    const auto created =
        test::awaitWrite(f.library->createGroup("Checkout", "#6E7BF2", "/src/shop"));
    ASSERT_TRUE(created);
    EXPECT_EQ(created->name, "Checkout");
    EXPECT_EQ(created->path, "/src/shop");
    EXPECT_EQ(created->visibility, GroupVisibility::privateGroup);
    f.settle();
    ASSERT_EQ(f.library->groups().size(), 1u);
    EXPECT_EQ(f.library->groups().front().id, created->id);
    EXPECT_EQ(f.library->groups().front().colorHex, "#6E7BF2");

    const auto again = test::awaitWrite(f.library->createGroup("checkout", "#000000"));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->id, created->id);
    f.settle();
    EXPECT_EQ(f.library->groups().size(), 1u);
}

TEST(LibraryTest, ReadsTheScreenshotsCommentsAndHistoryOfOneCapture) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("read me");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    ASSERT_TRUE(test::awaitWrite(
        f.library->addImage(LibraryFixture::makeImage(30, 20), capture.id, CaptureMode::region)));
    ASSERT_TRUE(test::awaitWrite(f.library->addComment("looks off", capture.id)));

    const CaptureDetail detail = f.readDetail(
        capture.id, DetailParts(DetailPart::images) | DetailPart::comments | DetailPart::activity);
    ASSERT_FALSE(detail.error);
    const auto& images = detail.images;
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(f.readImage(images[0].id), images[0]);
    EXPECT_FALSE(f.readImage("no-such-image"));
    ASSERT_EQ(detail.comments.size(), 1u);
    EXPECT_EQ(detail.comments[0].body, "looks off");
    EXPECT_FALSE(detail.activity.empty());
    EXPECT_TRUE(f.readDetail("no-such-capture", DetailPart::images).images.empty());
}

TEST(LibraryTest, AFailedAddLeavesNoHalfSavedCapture) {
    LibraryFixture f;
    Capture capture = LibraryFixture::makeCapture("with a bad screenshot");
    CaptureImage image;
    image.id = "img";
    image.captureID = "another-capture";
    image.imagePath = "2024/01/img.png";
    EXPECT_FALSE(test::awaitWrite(f.library->add(capture, {"tag"}, {image})));
    EXPECT_FALSE(f.store().capture(capture.id));
    image.captureID = capture.id;
    EXPECT_TRUE(test::awaitWrite(f.library->add(capture, {"tag"}, {image})));
    f.settle();
    ASSERT_EQ(f.library->captures().size(), 1u);
    EXPECT_EQ(f.library->captures()[0].imagePath, "2024/01/img.png");
}

TEST(LibraryTest, UpdateWritesOnlyWhatTheViewChanged) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("before");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    f.settle();
    Capture edited = f.library->captures().at(0).whole();

    // An agent claims the capture after the view took its copy.
    CaptureStore agent(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    ASSERT_TRUE(agent.claim(capture.id, "claude"));

    edited.note = "after";
    edited.priority = CapturePriority::high;
    EXPECT_TRUE(test::awaitWrite(f.library->update(edited)));
    f.settle();
    const auto stored = f.store().capture(capture.id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->note, "after");
    EXPECT_EQ(stored->priority, CapturePriority::high);
    EXPECT_EQ(stored->status, CaptureStatus::inProgress);
    EXPECT_EQ(stored->claimedBy, "claude");
    EXPECT_EQ(f.library->captures().at(0).claimedBy, "claude");
}

TEST(LibraryTest, AScreenshotGivesANoteItsModeAndLeavesOtherModes) {
    LibraryFixture f;
    const Capture note =
        LibraryFixture::makeCapture("note", CapturePriority::normal, CaptureMode::text);
    const Capture region = LibraryFixture::makeCapture("region");
    ASSERT_TRUE(test::awaitWrite(f.library->add(note, {}, {})));
    ASSERT_TRUE(test::awaitWrite(f.library->add(region, {}, {})));

    EXPECT_TRUE(test::awaitWrite(
        f.library->addImage(LibraryFixture::makeImage(30, 20), note.id, CaptureMode::fullscreen)));
    EXPECT_TRUE(test::awaitWrite(f.library->addImage(LibraryFixture::makeImage(30, 20), region.id,
                                                     CaptureMode::fullscreen)));
    EXPECT_EQ(f.store().capture(note.id)->captureMode, CaptureMode::fullscreen);
    EXPECT_EQ(f.store().capture(region.id)->captureMode, CaptureMode::region);
    const auto images = f.store().images(note.id);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 30);
    f.settle();
    EXPECT_TRUE(fs::exists(TavroPaths::capturesRoot() / images[0].imagePath));
    EXPECT_TRUE(fs::exists(TavroPaths::thumbsRoot() / *images[0].thumbPath));
    EXPECT_EQ(f.library->state()->imageCounts().at(note.id), 1);
}

TEST(LibraryTest, AScreenshotWhoseRowCannotBeWrittenLeavesNoFiles) {
    LibraryFixture f;
    const auto added = test::awaitWrite(f.library->addImage(
        LibraryFixture::makeImage(30, 20), "no-such-capture", CaptureMode::region));
    EXPECT_FALSE(added);
    EXPECT_FALSE(added.error().empty());
    EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 0u);
    EXPECT_EQ(filesUnder(TavroPaths::thumbsRoot()), 0u);
}

TEST(LibraryTest, DeletingACaptureEvictsOnlyItsCoverFromTheCache) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("doomed");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    ASSERT_TRUE(test::awaitWrite(
        f.library->addImage(LibraryFixture::makeImage(30, 20), capture.id, CaptureMode::region)));
    ASSERT_TRUE(test::awaitWrite(
        f.library->addImage(LibraryFixture::makeImage(40, 20), capture.id, CaptureMode::region)));
    const auto images = f.store().images(capture.id);
    ASSERT_EQ(images.size(), 2u);
    auto path = [](const fs::path& root, const std::string& relative) {
        return toQString((root / relative).string());
    };
    const QString cover = path(TavroPaths::capturesRoot(), images[0].imagePath);
    const QString coverThumb = path(TavroPaths::thumbsRoot(), *images[0].thumbPath);
    const QString second = path(TavroPaths::capturesRoot(), images[1].imagePath);
    for (const QString& file : {cover, coverThumb, second}) {
        bool done = false;
        f.thumbnails.load(file, nullptr, [&](const QImage&) { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    }
    EXPECT_TRUE(test::awaitWrite(f.library->deleteCapture(capture.id)));
    f.settle();
    EXPECT_FALSE(f.library->loadError());
    EXPECT_FALSE(f.thumbnails.cached(cover));
    EXPECT_FALSE(f.thumbnails.cached(coverThumb));
    EXPECT_TRUE(f.thumbnails.cached(second));
    EXPECT_TRUE(f.library->captures().empty());
}

TEST(LibraryTest, DeletingAScreenshotTheStoreNoLongerHasAnswersFalseQuietly) {
    LibraryFixture f;
    CaptureImage gone;
    gone.id = "gone";
    const auto deleted = test::awaitWrite(f.library->deleteImage(gone));
    ASSERT_TRUE(deleted);
    EXPECT_FALSE(*deleted);
    EXPECT_FALSE(f.library->loadError());
}

TEST(LibraryTest, MineMeansAuthoredByTheSignedInUserOrByNobody) {
    LibraryFixture f;
    Capture anonymous = LibraryFixture::makeCapture("a");
    Capture authored = LibraryFixture::makeCapture("b");
    authored.authorID = "u1";
    EXPECT_TRUE(f.library->isMine(anonymous));
    EXPECT_FALSE(f.library->isMine(authored));
    f.store().setSyncMeta("user_id", "u1");
    f.reloadAndWait();
    EXPECT_EQ(f.library->currentUserID(), "u1");
    EXPECT_TRUE(f.library->isMine(anonymous));
    EXPECT_TRUE(f.library->isMine(authored));
    authored.authorID = "u2";
    EXPECT_FALSE(f.library->isMine(authored));
}

TEST(LibraryTest, PicksUpAnotherProgramsWriteAtTheNextPollWithoutABus) {
    test::ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    test::ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    LibraryFixture f(makeStoreChangeListener());
    const Capture capture = LibraryFixture::makeCapture("shared");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    f.settle();

    const auto result =
        test::ProcessRunner::run({TAVRO_STORE_PROBE, "claim-resolve",
                                  TavroPaths::databasePath().string(), capture.id, "1", "agent"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // 3 s poll, with a little room for a loaded machine.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return f.library->captures().at(0).status == CaptureStatus::resolved; }, 3500));
    EXPECT_EQ(f.library->counts().at(CaptureStatus::resolved), 1);
    EXPECT_FALSE(f.library->counts().contains(CaptureStatus::open));
}

TEST(LibraryTest, PeopleAndWorkspacesComeFromTheStore) {
    LibraryFixture f;
    SyncLedger(f.store()).upsertPerson({.id = "bot", .name = "Build Bot", .kind = "bot"});
    SyncLedger(f.store()).upsertPerson({.id = "u2", .name = "zoe", .kind = "person"});
    SyncLedger(f.store()).upsertPerson({.id = "u1", .name = "Ada", .kind = "person"});
    SyncLedger(f.store()).replaceWorkspaces(
        {{.id = "w1", .name = "Team", .slug = "team", .role = "owner"}});
    f.reloadAndWait();

    std::vector<std::string> names;
    for (const auto& person : f.library->people())
        names.push_back(person.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Ada", "zoe", "Build Bot"}));
    ASSERT_EQ(f.library->workspaces().size(), 1u);
    EXPECT_EQ(f.library->workspaces().front().name, "Team");

    EXPECT_EQ(f.library->person("u1")->name, "Ada");
    EXPECT_FALSE(f.library->person(std::nullopt));
    EXPECT_FALSE(f.library->person("nobody"));
    // Someone the store learnt of after the last reload is found once the board is read again:
    // the GUI thread never asks the store itself.
    SyncLedger(f.store()).upsertPerson({.id = "u3", .name = "Late", .kind = "person"});
    f.reloadAndWait();
    EXPECT_EQ(f.library->person("u3")->name, "Late");
}

namespace {

// Another program's store whose every notification reaches the facade's listener at once, as
// the session bus would deliver it.
class RelayedNotifier final : public StoreChangeNotifier {
public:
    explicit RelayedNotifier(StoreChangeListener& listener)
        : listener_(listener) {}
    void post() override { emit listener_.changed(); }

private:
    StoreChangeListener& listener_;
};

} // namespace

TEST(LibraryTest, ABurstOfFiftyWritesByAnotherProgramReloadsOnce) {
    auto listener = std::make_unique<StoreChangeListener>();
    StoreChangeListener& heard = *listener;
    LibraryFixture f(std::move(listener));
    const Capture capture = LibraryFixture::makeCapture("busy");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    f.settle();

    CaptureStore agent(TavroPaths::databasePath(), std::make_shared<RelayedNotifier>(heard));
    QSignalSpy reloads(f.library.get(), &Library::reloaded);
    QSignalSpy changes(f.library.get(), &Library::changed);
    for (int i = 0; i < 50; ++i) {
        Comment comment;
        comment.id = "agent-" + std::to_string(i);
        comment.captureID = capture.id;
        comment.author = "agent";
        comment.isAgent = true;
        comment.body = "step " + std::to_string(i);
        comment.createdAt = now() + i;
        comment.kind = "comment";
        agent.addComment(comment);
    }
    f.settle();
    EXPECT_EQ(reloads.count(), 1);
    EXPECT_EQ(f.library->state()->commentCounts().at(capture.id), 50);
    // One signal for each value that moved, none for the rest.
    std::set<Library::Property> signalled;
    for (const auto& arguments : changes)
        signalled.insert(arguments[0].value<Library::Property>());
    EXPECT_EQ(signalled, (std::set<Library::Property>{Library::Property::captures,
                                                      Library::Property::commentCounts}));
    EXPECT_EQ(changes.count(), 2);
}

TEST(LibraryTest, ARequestThatFindsTheStampUnmovedReadsNothingElse) {
    LibraryFixture f;
    ASSERT_TRUE(test::awaitWrite(f.library->add(LibraryFixture::makeCapture("still"), {}, {})));
    f.settle();
    QSignalSpy reloads(f.library.get(), &Library::reloaded);
    QSignalSpy changes(f.library.get(), &Library::changed);
    for (int i = 0; i < 5; ++i) {
        f.library->checkForChanges();
        f.settle();
    }
    EXPECT_EQ(reloads.count(), 0);
    EXPECT_EQ(changes.count(), 0);

    // Asked for outright, the board is read even so, and nothing in it differs.
    f.reloadAndWait();
    EXPECT_EQ(reloads.count(), 1);
    EXPECT_EQ(changes.count(), 0);
}

TEST(LibraryTest, AGroupCreatedByAnotherProgramAppearsInTheApp) {
    LibraryFixture f;
    ASSERT_TRUE(test::awaitWrite(f.library->add(LibraryFixture::makeCapture("first"), {}, {})));
    f.settle();
    // No notification reaches the app: only the poll's check can find these writes.
    CaptureStore other(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    QSignalSpy reloads(f.library.get(), &Library::reloaded);

    CaptureGroup group;
    group.id = "g-other";
    group.name = "Checkout";
    group.colorHex = "#FF0000";
    group.createdAt = group.updatedAt = now();
    other.upsertGroup(group);
    f.library->checkForChanges();
    f.settle();
    ASSERT_EQ(f.library->groups().size(), 1u);
    EXPECT_EQ(f.library->groups()[0].name, "Checkout");

    // A rename keeps every count and time the board had.
    other.db().execute("UPDATE groups SET name = 'Payments' WHERE id = 'g-other';");
    f.library->checkForChanges();
    f.settle();
    EXPECT_EQ(f.library->groups().at(0).name, "Payments");

    SyncLedger(other).upsertPerson({.id = "u9", .name = "Grace", .kind = "person"});
    SyncLedger(other).replaceWorkspaces(
        {{.id = "w9", .name = "Ops", .slug = "ops", .role = "owner"}});
    f.library->checkForChanges();
    f.settle();
    EXPECT_EQ(f.library->people().size(), 1u);
    EXPECT_EQ(f.library->workspaces().at(0).name, "Ops");
    EXPECT_EQ(reloads.count(), 3);
}

TEST(LibraryWriterTest, WritesAnswerOnTheGuiThreadInTheOrderTheyWereMade) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("ordered");
    std::vector<std::string> answered;
    std::vector<bool> onGuiThread;
    auto record = [&](const char* name) {
        return [&, name](const auto& result) {
            answered.push_back(std::string(name) + (result.ok() ? "" : " failed"));
            onGuiThread.push_back(QThread::currentThread() == f.library->thread());
        };
    };
    QObject context;
    // Each write depends on the one before it: out of order, some would fail.
    f.library->add(capture, {}, {}).then(&context, record("add"));
    f.library->setTags({"ui"}, capture.id).then(&context, record("tags"));
    f.library->addComment("first", capture.id).then(&context, record("comment"));
    f.library->setStatus(CaptureStatus::resolved, capture.id).then(&context, record("status"));
    f.library->addComment("second", "no-such-capture").then(&context, record("stray comment"));
    f.library->deleteCapture(capture.id).then(&context, record("delete"));
    EXPECT_TRUE(answered.empty()) << "a write answered before the event loop ran";
    EXPECT_EQ(f.library->writesPending(), 6);
    f.settle();
    EXPECT_EQ(answered, (std::vector<std::string>{"add", "tags", "comment", "status",
                                                  "stray comment failed", "delete"}));
    EXPECT_EQ(onGuiThread, std::vector<bool>(6, true));
    EXPECT_TRUE(f.library->captures().empty());
    EXPECT_EQ(f.store().comments(capture.id).size(), 1u);
}

TEST(LibraryWriterTest,
     AWriteWhileAnotherProgramHoldsTheLockLeavesTheGuiThreadFreeAndCommitsLater) {
    LibraryFixture f;
    CaptureStore other(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    other.db().executeRaw("BEGIN IMMEDIATE TRANSACTION;");
    const Capture capture = LibraryFixture::makeCapture("waits its turn");
    std::optional<WriteResult<>> answer;
    QObject context;
    f.library->add(capture, {"ui"}, {}).then(&context, [&](const WriteResult<>& result) {
        answer.emplace(result);
    });

    // The GUI thread keeps turning while the writer waits on the lock.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 10; }, 4000));
    EXPECT_FALSE(answer);
    EXPECT_EQ(f.library->writesPending(), 1);

    other.db().executeRaw("COMMIT;");
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
    EXPECT_TRUE(*answer) << answer->error();
    f.settle();
    ASSERT_EQ(f.library->captures().size(), 1u);
    EXPECT_EQ(f.library->captures()[0].id, capture.id);
    EXPECT_EQ(f.library->tagsByCapture().at(capture.id), std::vector<std::string>{"ui"});
}

// Another program keeps the library's write lock for longer than one busy wait (5 s): the
// pane's status change and the note box's save queued behind it both wait their turn and land.
TEST(LibraryWriterTest, EveryWriteWaitsOutALockHeldPastOneBusyWait) {
    LibraryFixture f;
    const Capture shown = LibraryFixture::makeCapture("in the pane");
    const Capture typed = LibraryFixture::makeCapture("typed in the note box");
    f.store().insert(shown);
    CaptureStore other(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    other.db().executeRaw("BEGIN IMMEDIATE TRANSACTION;");
    QElapsedTimer held;
    held.start();
    // How long the other program holds the lock is the case itself, not a wait for it.
    QTimer::singleShot(5600, Qt::PreciseTimer, [&] { other.db().executeRaw("COMMIT;"); });
    std::optional<WriteResult<>> status, saved;
    QObject context;
    f.library->setStatus(CaptureStatus::resolved, shown.id)
        .then(&context, [&](const WriteResult<>& result) { status.emplace(result); });
    f.library->add(typed, {"ui"}, {}).then(&context, [&](const WriteResult<>& result) {
        saved.emplace(result);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return status && saved; }, 30000));
    EXPECT_GE(held.elapsed(), 5500);
    EXPECT_TRUE(*status) << status->error();
    EXPECT_TRUE(*saved) << saved->error();
    f.settle();
    EXPECT_EQ(f.store().capture(shown.id)->status, CaptureStatus::resolved);
    EXPECT_TRUE(f.store().capture(typed.id));
}

TEST(LibraryWriterTest, WritesStillQueuedWhenTheFacadeGoesAreMade) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("made on the way out");
    f.library->add(capture, {}, {}).ignoreResult();
    f.library->addComment("last words", capture.id).ignoreResult();
    f.library.reset();
    EXPECT_TRUE(f.store().capture(capture.id));
    EXPECT_EQ(f.store().comments(capture.id).size(), 1u);
}

TEST(LibraryTest, EachCommittedWriteIsAnnouncedOnce) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("announced");
    std::optional<CaptureGroup> group;
    auto image = [&] {
        return f.store().images(capture.id).front();
    };
    auto ok = [](const auto& result) {
        return bool(result);
    };
    struct Case {
        const char* name;
        std::function<bool()> write;
    };
    const std::vector<Case> cases{
        {"add",
         [&] {
             return ok(test::awaitWrite(f.library->add(capture, {"a"}, {})));
         }},
        {"add a screenshot",
         [&] {
             return ok(test::awaitWrite(f.library->addImage(LibraryFixture::makeImage(8, 8),
                                                            capture.id, CaptureMode::region)));
         }},
        {"mark up",
         [&] {
             return ok(test::awaitWrite(f.library->saveAnnotation(Annotation{}, image())));
         }},
        {"delete the screenshot",
         [&] {
             return ok(test::awaitWrite(f.library->deleteImage(image())));
         }},
        {"status",
         [&] {
             return ok(test::awaitWrite(f.library->setStatus(CaptureStatus::resolved, capture.id)));
         }},
        {"assign",
         [&] {
             return ok(test::awaitWrite(f.library->assign(std::nullopt, capture.id)));
         }},
        {"edit",
         [&] {
             Capture edited = capture;
             edited.note = "edited";
             return ok(test::awaitWrite(f.library->update(edited)));
         }},
        {"tags",
         [&] {
             return ok(test::awaitWrite(f.library->setTags({"b"}, capture.id)));
         }},
        {"comment",
         [&] {
             return ok(test::awaitWrite(f.library->addComment("hi", capture.id)));
         }},
        {"new group",
         [&] {
             auto created = test::awaitWrite(f.library->createGroup("Announced", "#6E7BF2"));
             if (created)
                 group = created.value();
             return ok(created);
         }},
        {"delete the group",
         [&] {
             return ok(test::awaitWrite(f.library->deleteGroup(group->id)));
         }},
        {"delete",
         [&] {
             return ok(test::awaitWrite(f.library->deleteCapture(capture.id)));
         }},
    };
    QSignalSpy announced(f.library.get(), &Library::localChangeCommitted);
    QSignalSpy noted(f.account.get(), &Account::localChangeNoted);
    int expected = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.write());
        ++expected;
        // Announced by the time it answers, and not again by the reload that follows.
        EXPECT_EQ(announced.count(), expected);
        f.settle();
        EXPECT_EQ(announced.count(), expected);
        EXPECT_EQ(noted.count(), expected) << "the account hears each one";
    }
}
