#include "board/CaptureFilterEngine.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace tavro {
namespace {

Capture capture(std::string id, Seconds createdAt, CaptureStatus status = CaptureStatus::open) {
    Capture c;
    c.id = std::move(id);
    c.createdAt = createdAt;
    c.status = status;
    c.note = "note of " + c.id;
    return c;
}

std::vector<std::string> idsOf(const std::vector<Capture>& captures,
                               const std::vector<std::size_t>& positions) {
    std::vector<std::string> ids;
    for (std::size_t i : positions)
        ids.push_back(captures[i].id);
    return ids;
}

using Ids = std::vector<std::string>;

struct Board {
    std::vector<Capture> captures;
    TagsByCapture tags;

    Ids shown(const LibraryFilter& filter, std::string_view search = {},
              SortOrder sort = SortOrder::newest,
              const std::optional<std::string>& user = std::nullopt) const {
        return idsOf(captures,
                     CaptureFilterEngine::apply(captures, filter, search, sort, tags, user));
    }
};

// Newest first by construction: "a" is the newest.
Board filterBoard() {
    Board board;
    auto a = capture("a", 60, CaptureStatus::open);
    a.groupID = "g1";
    a.authorID = "me";
    a.assigneeID = "me";
    auto b = capture("b", 50, CaptureStatus::inProgress);
    b.groupID = "g2";
    b.authorID = "other";
    b.assigneeID = "me";
    auto c = capture("c", 40, CaptureStatus::resolved);
    c.groupID = "g1";
    c.assigneeID = "me";
    auto d = capture("d", 30, CaptureStatus::archived);
    d.authorID = "me";
    auto e = capture("e", 20, CaptureStatus::open);
    e.assigneeID = "other";
    board.captures = {a, b, c, d, e};
    board.tags = {{"a", {"ui", "login"}}, {"c", {"uiux"}}, {"d", {"caf\u00E9"}}};
    return board;
}

TEST(CaptureFilterEngine, KeepsWhatEachFilterAsksForInInputOrder) {
    const Board board = filterBoard();
    const std::optional<std::string> me = "me";
    struct Case {
        LibraryFilter filter;
        std::optional<std::string> user;
        Ids expected;
    };
    const Case cases[] = {
        {LibraryFilter::inbox(), me, {"a", "b", "e"}},
        {LibraryFilter::assignedToMe(), me, {"a", "b"}},
        {LibraryFilter::assignedToMe(), std::nullopt, {}},
        {LibraryFilter::mine(), me, {"a", "c", "d", "e"}},
        {LibraryFilter::mine(), std::nullopt, {"c", "e"}},
        {LibraryFilter::status(CaptureStatus::open), me, {"a", "e"}},
        {LibraryFilter::status(CaptureStatus::inProgress), me, {"b"}},
        {LibraryFilter::status(CaptureStatus::resolved), me, {"c"}},
        {LibraryFilter::status(CaptureStatus::archived), me, {"d"}},
        {LibraryFilter::group("g1"), me, {"a", "c"}},
        {LibraryFilter::group("missing"), me, {}},
        {LibraryFilter::tag("ui"), me, {"a"}},         // not "uiux": the whole name
        {LibraryFilter::tag("UI"), me, {}},            // case-sensitive
        {LibraryFilter::tag("cafe\u0301"), me, {"d"}}, // canonically equivalent
        {LibraryFilter::everything(), me, {"a", "b", "c", "d", "e"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(board.shown(c.filter, {}, SortOrder::newest, c.user), c.expected)
            << c.filter.title();

    Board untagged = board;
    untagged.tags.clear();
    EXPECT_EQ(untagged.shown(LibraryFilter::tag("ui")), Ids{});
}

TEST(CaptureFilterEngine, SearchesNoteAppWindowURLAndTagsAfterTheFilter) {
    Board board;
    auto a = capture("a", 60);
    a.note = "Login button\nclipped on the LEFT";
    a.appName = "Safari";
    a.windowTitle = "Checkout – Shop";
    a.url = "https://example.com/cart";
    auto b = capture("b", 50);
    b.note = "Cafe\u0301 menu wraps"; // decomposed, as some programs write it
    b.appName = "Menus";
    auto c = capture("c", 40, CaptureStatus::resolved);
    c.note = "login crash";
    auto d = capture("d", 30);
    d.note = "\u00C5ngstr\u00F6m unit";
    board.captures = {a, b, c, d};
    board.tags = {{"a", {"checkout", "p1"}}, {"b", {"food"}}};

    struct Case {
        std::string search;
        LibraryFilter filter;
        Ids expected;
    };
    const Case cases[] = {
        {"login", LibraryFilter::everything(), {"a", "c"}},
        {"LOGIN", LibraryFilter::everything(), {"a", "c"}},
        {"login", LibraryFilter::inbox(), {"a"}},           // the filter removed "c" first
        {"the left safari", LibraryFilter::inbox(), {"a"}}, // across note and app name
        {"checkout – shop", LibraryFilter::inbox(), {"a"}},
        {"example.com/cart", LibraryFilter::inbox(), {"a"}},
        {"p1", LibraryFilter::inbox(), {"a"}},
        {"checkout p1", LibraryFilter::inbox(), {"a"}}, // tags joined by a space
        {"caf\u00E9", LibraryFilter::inbox(), {"b"}},   // composed query, decomposed note
        {"CAFE\u0301", LibraryFilter::inbox(), {"b"}},
        {"\u212Bngstr", LibraryFilter::inbox(), {"d"}}, // Ångström sign
        {"food", LibraryFilter::inbox(), {"b"}},
        {"  \t\n", LibraryFilter::inbox(), {"a", "b", "d"}},
        {"\nlogin\r\n", LibraryFilter::inbox(), {"a"}},
        {"nothing like it", LibraryFilter::inbox(), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(board.shown(c.filter, c.search), c.expected) << c.search;

    Board missingTags = board;
    missingTags.tags.erase("a");
    EXPECT_EQ(missingTags.shown(LibraryFilter::inbox(), "p1"), Ids{});
}

TEST(CaptureFilterEngine, SortsStablyInEachOrder) {
    Board board;
    auto low = capture("low", 50);
    low.priority = CapturePriority::low;
    low.appName = "zed";
    auto high1 = capture("high1", 40);
    high1.priority = CapturePriority::high;
    high1.appName = "Zed";
    auto normal = capture("normal", 60);
    normal.appName = "\U0001F600 Smile"; // above U+FFFF
    auto high2 = capture("high2", 45);
    high2.priority = CapturePriority::high;
    high2.appName = "\uE000 Private"; // below it, though after the surrogates in UTF-16
    auto unnamedOld = capture("unnamedOld", 10);
    auto unnamedNew = capture("unnamedNew", 20);
    auto same1 = capture("same1", 30);
    same1.appName = "Cafe\u0301";
    auto same2 = capture("same2", 35);
    same2.appName = "Caf\u00E9";
    auto tieA = capture("tieA", 30);
    board.captures = {low, high1, normal, high2, unnamedOld, unnamedNew, same1, same2, tieA};

    struct Case {
        SortOrder sort;
        Ids expected;
    };
    const Case cases[] = {
        {SortOrder::newest,
         {"normal", "low", "high2", "high1", "same2", "same1", "tieA", "unnamedNew", "unnamedOld"}},
        {SortOrder::oldest,
         {"unnamedOld", "unnamedNew", "same1", "tieA", "same2", "high1", "high2", "low", "normal"}},
        {SortOrder::priority,
         {"high2", "high1", "normal", "same2", "same1", "tieA", "unnamedNew", "unnamedOld", "low"}},
        {SortOrder::app,
         {"same2", "same1", "high1", "low", "high2", "normal", "tieA", "unnamedNew", "unnamedOld"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(board.shown(LibraryFilter::everything(), {}, c.sort), c.expected)
            << rawValue(c.sort);
}

TEST(CaptureFilterEngine, TreatsOnlyTextBeyondWhiteSpaceAndLineBreaksAsASearch) {
    struct Case {
        std::string search;
        bool searching;
        std::string query;
    };
    const Case cases[] = {
        {"", false, ""},
        {" \t", false, ""},
        {"\n", false, ""}, // a pasted line break alone
        {"\r\n \u2028", false, ""},
        {" Login\n", true, "login"},
        {"\u00C9", true, "\u00E9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CaptureFilterEngine::isSearching(c.search), c.searching) << c.search;
        EXPECT_EQ(CaptureFilterEngine::query(c.search), c.query) << c.search;
    }
}

TEST(LibraryFilter, TitlesSymbolsEqualityAndHashing) {
    struct Case {
        LibraryFilter filter;
        std::string title;
        std::string symbol;
    };
    const Case cases[] = {
        {LibraryFilter::inbox(), "Inbox", "tray.full"},
        {LibraryFilter::assignedToMe(), "Assigned to me", "person.crop.circle.badge.checkmark"},
        {LibraryFilter::mine(), "Mine", "person"},
        {LibraryFilter::status(CaptureStatus::open), "Open", "circle.dotted"},
        {LibraryFilter::status(CaptureStatus::inProgress), "In Progress", "circle.lefthalf.filled"},
        {LibraryFilter::status(CaptureStatus::resolved), "Resolved", "checkmark.circle.fill"},
        {LibraryFilter::status(CaptureStatus::archived), "Archived", "archivebox.fill"},
        {LibraryFilter::group("g1"), "Group", "folder"},
        {LibraryFilter::tag("ui"), "#ui", "number"},
        {LibraryFilter::everything(), "All Captures", "square.grid.2x2"},
    };
    std::unordered_set<LibraryFilter> distinct;
    for (const auto& c : cases) {
        EXPECT_EQ(c.filter.title(), c.title);
        EXPECT_EQ(iconName(c.filter.symbol()), c.symbol) << c.title;
        distinct.insert(c.filter);
    }
    EXPECT_EQ(distinct.size(), std::size(cases));
    EXPECT_EQ(LibraryFilter(), LibraryFilter::inbox());

    EXPECT_EQ(LibraryFilter::tag("caf\u00E9"), LibraryFilter::tag("cafe\u0301"));
    EXPECT_EQ(LibraryFilter::tag("caf\u00E9").hash(), LibraryFilter::tag("cafe\u0301").hash());
    EXPECT_NE(LibraryFilter::tag("UI"), LibraryFilter::tag("ui"));
    EXPECT_NE(LibraryFilter::tag("g1"), LibraryFilter::group("g1"));
    EXPECT_NE(LibraryFilter::status(CaptureStatus::open),
              LibraryFilter::status(CaptureStatus::resolved));
    EXPECT_EQ(fromRawValue<SortOrder>("app"), SortOrder::app);
    EXPECT_EQ(fromRawValue<SortOrder>("App"), std::nullopt);
    EXPECT_EQ(fromRawValue<LayoutMode>("list"), LayoutMode::list);
    EXPECT_EQ(fromRawValue<LayoutMode>("table"), std::nullopt);
}

} // namespace
} // namespace tavro
