#include "LibraryFixture.h"

#include "board/SidebarRows.h"
#include "board/SidebarSelection.h"

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

Capture capture(CaptureStatus status, std::optional<std::string> groupID = std::nullopt) {
    Capture c = LibraryFixture::makeCapture("note");
    c.status = status;
    c.groupID = std::move(groupID);
    return c;
}

CaptureGroup group(std::string id, std::optional<std::string> workspace = std::nullopt,
                   GroupVisibility visibility = GroupVisibility::privateGroup) {
    return CaptureGroup{.id = id,
                        .name = "Group " + id,
                        .colorHex = "#10B981",
                        .workspaceID = std::move(workspace),
                        .visibility = visibility};
}

// The published values a sidebar reads, held so that a SidebarSource can refer to them.
struct Board {
    std::vector<Capture> captures;
    std::vector<CaptureGroup> groups;
    std::map<CaptureStatus, std::int64_t> counts;
    std::vector<std::string> tags;
    std::optional<std::string> user;
    std::int64_t open = 0;
    std::int64_t assigned = 0;

    SidebarRows rows() const {
        return sidebarRows({captures, groups, counts, tags, user, open, assigned});
    }
};

std::vector<std::string> titles(const SidebarRows& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows.library)
        out.push_back(row.filter.title());
    return out;
}

std::vector<std::int64_t> counts(const SidebarRows& rows) {
    std::vector<std::int64_t> out;
    for (const auto& row : rows.library)
        out.push_back(row.count);
    return out;
}

} // namespace

TEST(SidebarRowsTest, TheLibrarySectionHasSixRowsWithoutAUserAndEightWithOne) {
    const struct {
        std::optional<std::string> user;
        std::vector<std::string> titles;
    } cases[] = {
        {std::nullopt, {"Inbox", "Open", "In Progress", "Resolved", "Archived", "All Captures"}},
        {"u1",
         {"Inbox", "Assigned to me", "Mine", "Open", "In Progress", "Resolved", "Archived",
          "All Captures"}},
    };
    for (const auto& c : cases) {
        Board board;
        board.user = c.user;
        const SidebarRows rows = board.rows();
        EXPECT_EQ(titles(rows), c.titles);
        EXPECT_TRUE(rows.library.front().tint == Theme::accent);
        EXPECT_TRUE(rows.library.back().tint == Theme::textSecondary);
        EXPECT_TRUE(rows.library.back().filter == LibraryFilter::everything());
    }
}

TEST(SidebarRowsTest, BadgesCountWhatEachFilterShowsAndMineNever) {
    Board board;
    board.user = "u1";
    board.captures = {capture(CaptureStatus::open), capture(CaptureStatus::open),
                      capture(CaptureStatus::resolved)};
    board.captures[0].authorID = "u1";
    // Counts cover every live capture; the loaded list may hold fewer.
    board.counts = {{CaptureStatus::open, 5}, {CaptureStatus::resolved, 1}};
    board.open = 5;
    board.assigned = 2;
    // Inbox, Assigned to me, Mine, Open, In Progress, Resolved, Archived, All Captures.
    EXPECT_EQ(counts(board.rows()), (std::vector<std::int64_t>{5, 2, 0, 5, 0, 1, 0, 3}));
}

TEST(SidebarRowsTest, AGroupCountsOnlyItsOpenAndInProgressCaptures) {
    Board board;
    board.groups = {group("a"), group("b"), group("c")};
    board.captures = {
        capture(CaptureStatus::open, "a"),     capture(CaptureStatus::inProgress, "a"),
        capture(CaptureStatus::resolved, "a"), capture(CaptureStatus::resolved, "b"),
        capture(CaptureStatus::archived, "b"), capture(CaptureStatus::open),
    };
    const SidebarRows rows = board.rows();
    ASSERT_EQ(rows.groups.size(), 3u);
    EXPECT_EQ(rows.groups[0].count, 2);
    EXPECT_EQ(rows.groups[1].count, 0);
    EXPECT_EQ(rows.groups[2].count, 0);
    EXPECT_TRUE(rows.groups[1].filter == LibraryFilter::group("b"));
}

TEST(SidebarRowsTest, AGroupSaysWhoSeesItAndWhetherItIsArchivedOrDeleted) {
    const struct {
        std::optional<std::string> workspace;
        GroupVisibility visibility;
        std::string help;
        std::string remove;
    } cases[] = {
        {std::nullopt, GroupVisibility::workspace, "Only on this computer", "Delete group"},
        {std::nullopt, GroupVisibility::privateGroup, "Only on this computer", "Delete group"},
        {"ws", GroupVisibility::privateGroup, "Private group \u2014 visible to its members",
         "Archive group"},
        {"ws", GroupVisibility::workspace, "Visible to the whole workspace", "Archive group"},
        {"", GroupVisibility::workspace, "Visible to the whole workspace", "Archive group"},
    };
    for (const auto& c : cases) {
        Board board;
        board.groups = {group("g", c.workspace, c.visibility)};
        const SidebarRows rows = board.rows();
        EXPECT_EQ(rows.groups[0].help, c.help);
        EXPECT_EQ(rows.groups[0].removeTitle, c.remove);
    }
}

TEST(SidebarRowsTest, TagRowsFollowTheFacadeAndAreAbsentWithoutTags) {
    Board board;
    EXPECT_TRUE(board.rows().tags.empty());
    EXPECT_TRUE(board.rows().groups.empty());
    board.tags = {"layout", "mobile"};
    const SidebarRows rows = board.rows();
    ASSERT_EQ(rows.tags.size(), 2u);
    EXPECT_TRUE(rows.tags[1].filter == LibraryFilter::tag("mobile"));
    EXPECT_EQ(rows.tags[1].filter.title(), "#mobile");
}

TEST(SidebarRowsTest, OnTheFacadeTheInboxBadgeIsOpenPlusInProgress) {
    LibraryFixture f;
    for (CaptureStatus status : {CaptureStatus::open, CaptureStatus::open,
                                 CaptureStatus::inProgress, CaptureStatus::resolved}) {
        Capture c = LibraryFixture::makeCapture("n");
        c.status = status;
        f.store().insert(c);
    }
    f.reloadAndWait();
    const SidebarRows rows = sidebarRows(SidebarSource::of(*f.library));
    EXPECT_EQ(counts(rows), (std::vector<std::int64_t>{3, 2, 1, 1, 0, 4}));
}

TEST(SidebarSelectionTest, NeverBecomesEmpty) {
    SidebarSelection selection;
    EXPECT_TRUE(selection.current() == LibraryFilter::inbox());
    EXPECT_FALSE(selection.select(std::nullopt));
    EXPECT_TRUE(selection.current() == LibraryFilter::inbox());
    EXPECT_FALSE(selection.select(LibraryFilter::inbox()));
    EXPECT_TRUE(selection.select(LibraryFilter::tag("ui")));
    EXPECT_FALSE(selection.select(std::nullopt));
    EXPECT_TRUE(selection.current() == LibraryFilter::tag("ui"));
}

TEST(SidebarSelectionTest, RemovingTheSelectedGroupMovesToTheInboxWhateverTheWriteDid) {
    const struct {
        LibraryFilter selected;
        std::string removed;
        LibraryFilter after;
    } cases[] = {
        {LibraryFilter::group("g1"), "g1", LibraryFilter::inbox()},
        {LibraryFilter::group("g1"), "g2", LibraryFilter::group("g1")},
        {LibraryFilter::tag("g1"), "g1", LibraryFilter::tag("g1")},
        {LibraryFilter::status(CaptureStatus::open), "g1",
         LibraryFilter::status(CaptureStatus::open)},
    };
    for (const auto& c : cases) {
        SidebarSelection selection;
        selection.select(c.selected);
        std::vector<std::string> asked;
        const bool moved =
            selection.removeGroup(c.removed, [&](const std::string& id) { asked.push_back(id); });
        EXPECT_EQ(asked, std::vector<std::string>{c.removed});
        EXPECT_TRUE(selection.current() == c.after) << c.removed;
        EXPECT_EQ(moved, !(c.after == c.selected));
    }
}

// Ten thousand tags (an agent's doing) leave a sidebar that still fits: the most used ones,
// in the library's order among equals, and a count of the rest.
TEST(SidebarRowsTest, ManyTagsListTheMostUsedWithinTheLimit) {
    const struct {
        const char* name;
        std::size_t tags;
        std::size_t shown;
        std::size_t more;
    } cases[] = {
        {"few", 3, 3, 0},
        {"at the limit", SidebarRows::tagLimit, SidebarRows::tagLimit, 0},
        {"ten thousand", 10000, SidebarRows::tagLimit, 10000 - SidebarRows::tagLimit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Board board;
        for (std::size_t i = 0; i < c.tags; ++i)
            board.tags.push_back("tag-" + std::to_string(100000 + i));
        // The last tag is on three captures, the one before on two.
        const std::map<std::string, std::int64_t> uses{{board.tags.back(), 3},
                                                       {board.tags[c.tags - 2], 2}};
        const CaptureList captures(board.captures);
        const SidebarRows rows = sidebarRows(
            {captures, board.groups, board.counts, board.tags, board.user, 0, 0, &uses});
        ASSERT_EQ(rows.tags.size(), c.shown);
        EXPECT_EQ(rows.moreTags, c.more);
        if (c.more) {
            EXPECT_EQ(rows.tags[0].name, board.tags.back());
            EXPECT_EQ(rows.tags[1].name, board.tags[c.tags - 2]);
            EXPECT_EQ(rows.tags[2].name, board.tags[0]);
        } else {
            EXPECT_EQ(rows.tags.front().name, board.tags.front());
        }
    }
}
