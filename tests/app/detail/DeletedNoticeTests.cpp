#include "detail/CaptureDetailView.h"

#include "LibraryFixture.h"
#include "RecordingActions.h"
#include "WriteAnswer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

// The pane calls a capture deleted only when the store says so, on a board of more captures
// than any cap on what the facade publishes.
TEST(DeletedNoticeTest, OnlyACaptureTheStoreDeletedTurnsThePaneIntoTheNotice) {
    struct Case {
        const char* name;
        // Changes the open capture, with the facade or as another program.
        std::function<void(LibraryFixture&, const std::string&)> change;
        bool deleted;
    };
    const std::vector<Case> cases{
        {"its priority lowered from the pane",
         [](LibraryFixture& f, const std::string& id) {
             Capture edited = *f.library->capture(id);
             edited.priority = CapturePriority::normal;
             ASSERT_TRUE(test::awaitWrite(f.library->update(edited)));
             f.settle();
         },
         false},
        {"resolved by an agent",
         [](LibraryFixture& f, const std::string& id) {
             f.store().setStatus(id, CaptureStatus::resolved, "agent");
             f.library->checkForChanges();
             f.settle();
         },
         false},
        {"deleted by an agent",
         [](LibraryFixture& f, const std::string& id) {
             f.store().softDelete(id);
             f.library->checkForChanges();
             f.settle();
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryFixture f;
        f.store().db().transaction([&] {
            for (int i = 0; i < 1200; ++i)
                f.store().insert(LibraryFixture::makeCapture("n" + std::to_string(i),
                                                             i % 10 == 0 ? CapturePriority::high
                                                                         : CapturePriority::normal,
                                                             CaptureMode::region, 1000.0 + i));
        });
        f.reloadAndWait();
        // The newest high-priority capture, which a priority-first cap would drop once lowered.
        const std::string id = f.library->captures()[9].id;
        ASSERT_EQ(f.library->captures()[9].priority, CapturePriority::high);
        test::RecordingActions actions;
        CaptureDetailView pane(*f.library, actions, id, [] {});
        ASSERT_FALSE(pane.showsDeletedNotice());
        c.change(f, id);
        EXPECT_EQ(pane.showsDeletedNotice(), c.deleted);
        EXPECT_EQ(!f.library->capture(id).has_value(), c.deleted);
    }

    // A capture another program filed a moment ago, opened before the board has read it.
    LibraryFixture f;
    const Capture fresh = LibraryFixture::makeCapture("fresh");
    f.store().insert(fresh);
    test::RecordingActions actions;
    CaptureDetailView pane(*f.library, actions, fresh.id, [] {});
    EXPECT_FALSE(pane.showsDeletedNotice());
    f.library->checkForChanges();
    f.settle();
    EXPECT_FALSE(pane.showsDeletedNotice());
    ASSERT_TRUE(f.library->capture(fresh.id).has_value());
}
