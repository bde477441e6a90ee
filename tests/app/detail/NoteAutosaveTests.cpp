#include "detail/NoteAutosave.h"

#include "FakeTimer.h"
#include "LibraryFixture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::FakeTimer;
using tavro::test::LibraryFixture;

namespace {

// A pane open on one stored capture.
struct OpenNote {
    explicit OpenNote(const std::string& note)
        : capture(LibraryFixture::makeCapture(note)) {
        EXPECT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
        f.settle();
        autosave.emplace(*f.library, capture.id, timer);
    }

    Capture stored() { return *f.store().capture(capture.id); }
    // Another program (an agent, sync) rewrites the note while the pane is open.
    void writeElsewhere(const std::string& note) {
        Capture other = stored();
        other.note = note;
        f.store().update(other);
        f.reloadAndWait();
    }

    LibraryFixture f;
    Capture capture;
    FakeTimer timer;
    std::optional<NoteAutosave> autosave;
};

} // namespace

TEST(NoteAutosaveTest, WritesOnlyWhatTheUserChangedOnceTheTimeRunsOutOrThePaneCloses) {
    struct Case {
        const char* name;
        std::vector<std::string> edits;
        bool fire; // the countdown runs out; else the pane closes first
        std::string stored;
        bool written;
    };
    const std::vector<Case> cases{
        {"three quick keys", {"firsta", "firstab", "firstabc"}, true, "firstabc", true},
        {"typed and deleted again", {"firstx", "first"}, true, "first", false},
        {"a trailing space is kept", {"first "}, true, "first ", true},
        {"a trailing line break is kept", {"first\n"}, false, "first\n", true},
        {"closed right after an edit", {"second"}, false, "second", true},
        {"closed without an edit", {}, false, "first", false},
        {"emptied", {""}, true, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenNote pane("first");
        const Seconds before = pane.stored().updatedAt;
        for (const std::string& edit : c.edits)
            pane.autosave->edit(edit);
        EXPECT_EQ(pane.timer.starts, static_cast<int>(c.edits.size()));
        // Nothing is written while the user keeps typing.
        EXPECT_EQ(pane.stored().note, "first");
        if (c.fire) {
            pane.timer.fire();
            pane.f.settle();
        }
        EXPECT_TRUE(test::awaitWrite(pane.autosave->flush()));
        EXPECT_FALSE(pane.timer.isActive());
        const Capture after = pane.stored();
        EXPECT_EQ(after.note, c.stored);
        EXPECT_EQ(after.updatedAt != before, c.written);
        // A second flush (the close after the countdown) writes nothing more.
        pane.f.settle();
        EXPECT_TRUE(test::awaitWrite(pane.autosave->flush()));
        EXPECT_EQ(pane.stored().updatedAt, after.updatedAt);
    }
}

TEST(NoteAutosaveTest, AnEditMadeElsewhereSurvivesAPaneThatWasNotTypedIn) {
    OpenNote pane("first");
    pane.writeElsewhere("from the agent");

    // The pane shows the newer note while the user has not typed ...
    EXPECT_TRUE(pane.autosave->takeUpPublishedNote());
    EXPECT_EQ(pane.autosave->note(), "from the agent");
    EXPECT_FALSE(pane.autosave->takeUpPublishedNote());
    // ... and closing it writes nothing back.
    const Seconds before = pane.stored().updatedAt;
    EXPECT_TRUE(test::awaitWrite(pane.autosave->flush()));
    EXPECT_EQ(pane.stored().note, "from the agent");
    EXPECT_EQ(pane.stored().updatedAt, before);

    // The user then edits the agent's text, and that is what gets written.
    pane.autosave->edit("from the agent, and me");
    pane.timer.fire();
    pane.f.settle();
    EXPECT_EQ(pane.stored().note, "from the agent, and me");
}

TEST(NoteAutosaveTest, ClosingWithoutTakingUpTheNewerNoteStillKeepsIt) {
    // The board was published again but the pane never looked: the old text must not win.
    OpenNote pane("first");
    pane.writeElsewhere("from sync");
    EXPECT_TRUE(test::awaitWrite(pane.autosave->flush()));
    EXPECT_EQ(pane.stored().note, "from sync");
}

TEST(NoteAutosaveTest, TheUsersUnsavedTextIsNotReplacedByANewerNote) {
    OpenNote pane("first");
    pane.autosave->edit("mine");
    pane.writeElsewhere("theirs");
    EXPECT_FALSE(pane.autosave->takeUpPublishedNote());
    EXPECT_EQ(pane.autosave->note(), "mine");
    pane.timer.fire();
    pane.f.settle();
    EXPECT_EQ(pane.stored().note, "mine");
}

TEST(NoteAutosaveTest, TheBoardAsItWasBeforeThePanesWriteDoesNotReplaceTheWrittenText) {
    OpenNote pane("first");
    pane.autosave->edit("written");
    pane.timer.fire();
    pane.f.settle();
    // Published before the write's reload came through: the same capture, older text.
    EXPECT_FALSE(pane.autosave->takeUpPublishedNote());
    EXPECT_EQ(pane.autosave->note(), "written");
    pane.f.settle();
    EXPECT_FALSE(pane.autosave->takeUpPublishedNote());
    EXPECT_EQ(pane.autosave->note(), "written");
}

TEST(NoteAutosaveTest, ACaptureDeletedMeanwhileGetsNothingWritten) {
    OpenNote pane("first");
    pane.autosave->edit("too late");
    ASSERT_TRUE(test::awaitWrite(pane.f.library->deleteCapture(pane.capture.id)));
    pane.f.settle();
    EXPECT_TRUE(test::awaitWrite(pane.autosave->flush()));
    EXPECT_FALSE(pane.timer.isActive());
}

TEST(NoteAutosaveTest, TheEventLoopTimerRunsOutOnceAfterTheLastStart) {
    QtRestartableTimer timer(20);
    int first = 0;
    int last = 0;
    timer.start([&] { ++first; });
    timer.start([&] { ++last; });
    EXPECT_TRUE(timer.isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return last > 0; }, 5000));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    EXPECT_FALSE(timer.isActive());
    timer.start([&] { ++last; });
    timer.stop();
    // Well past the interval: only time shows that a stopped countdown never runs out.
    QTest::qWait(60);
    EXPECT_EQ(last, 1);
}
