#include "board/BoardModel.h"

#include "model/Paths.h"

#include "LibraryFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

std::vector<Capture> captures(int normal, int high) {
    std::vector<Capture> list;
    for (int i = 0; i < normal; ++i)
        list.push_back(LibraryFixture::makeCapture("n"));
    for (int i = 0; i < high; ++i)
        list.push_back(LibraryFixture::makeCapture("h", CapturePriority::high));
    return list;
}

using Action = CaptureMenuItem::Action;

std::vector<Action> actions(const std::vector<CaptureMenuItem>& items) {
    std::vector<Action> list;
    for (const auto& item : items)
        list.push_back(item.action);
    return list;
}

} // namespace

TEST(DashboardModelTest, SubtitleCountsTheVisibleCaptures) {
    struct Case {
        LibraryFilter filter;
        int normal;
        int high;
        std::string text;
    };
    const std::vector<Case> cases{
        {LibraryFilter::inbox(), 4, 0, "4 captures waiting"},
        {LibraryFilter::inbox(), 3, 1, "4 captures \xC2\xB7 1 high priority"},
        {LibraryFilter::inbox(), 0, 1, "1 capture \xC2\xB7 1 high priority"},
        {LibraryFilter::inbox(), 1, 0, "1 capture waiting"},
        {LibraryFilter::inbox(), 0, 0, "0 captures"},
        {LibraryFilter::everything(), 0, 1, "1 capture"},
        {LibraryFilter::everything(), 2, 3, "5 captures"},
        {LibraryFilter::tag("ui"), 0, 0, "0 captures"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(boardSubtitle(c.filter, captures(c.normal, c.high)), c.text);
    }
}

TEST(DashboardModelTest, ContextMenuShowsEachItemOnlyWhereItApplies) {
    LibraryFixture f; // a library folder of its own, for the screenshot paths
    const std::vector<Person> people{{"p1", "Ada", std::nullopt, std::nullopt, "human"},
                                     {"b1", "Fixer", std::nullopt, std::nullopt, "bot"}};
    Capture shot = LibraryFixture::makeCapture("shot");
    shot.imagePath = "2026/12/shot.png";
    Capture noteOnly = LibraryFixture::makeCapture("note only");
    Capture resolved = shot;
    resolved.status = CaptureStatus::resolved;
    Capture escaping = shot;
    escaping.imagePath = "../../secret.png";
    Capture absolute = shot;
    absolute.imagePath = "/etc/passwd";

    struct Case {
        const char* name;
        Capture capture;
        std::optional<std::string> user;
        std::vector<Action> items;
    };
    const std::vector<Case> cases{
        {"a screenshot, signed in",
         shot,
         "p1",
         {Action::open, Action::showInFolder, Action::assignTo, Action::divider,
          Action::markResolved, Action::remove}},
        {"signed out",
         shot,
         std::nullopt,
         {Action::open, Action::showInFolder, Action::divider, Action::markResolved,
          Action::remove}},
        {"note only",
         noteOnly,
         "p1",
         {Action::open, Action::assignTo, Action::divider, Action::markResolved, Action::remove}},
        {"resolved",
         resolved,
         std::nullopt,
         {Action::open, Action::showInFolder, Action::divider, Action::remove}},
        {"a path out of the library",
         escaping,
         std::nullopt,
         {Action::open, Action::divider, Action::markResolved, Action::remove}},
        {"an absolute path",
         absolute,
         std::nullopt,
         {Action::open, Action::divider, Action::markResolved, Action::remove}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(actions(captureMenuItems(c.capture, c.user, people)), c.items);
    }

    const auto items = captureMenuItems(shot, "p1", people);
    EXPECT_EQ(items[0].title, "Open");
    EXPECT_EQ(items[1].title, "Show in Folder");
    EXPECT_EQ(items[1].file, TavroPaths::capturesRoot() / "2026/12/shot.png");
    EXPECT_EQ(items[2].title, "Assign to");
    const std::vector<AssigneeEntry> assignees{{false, "Unassigned", std::nullopt},
                                               {true, "", std::nullopt},
                                               {false, "Ada", "p1"},
                                               {false, "Fixer (bot)", "b1"}};
    EXPECT_EQ(items[2].assignees, assignees);
    EXPECT_EQ(items[4].title, "Mark resolved");
    EXPECT_FALSE(items[4].destructive);
    EXPECT_EQ(items[5].title, "Delete");
    EXPECT_TRUE(items[5].destructive);
}
