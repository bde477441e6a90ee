#include "board/CaptureCardContent.h"
#include "board/EmptyStateContent.h"
#include "model/Paths.h"

#include "TempLibrary.h"

#include "values/Utf8.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tavro {
namespace {

constexpr Seconds now = 1'700'000'000;

Capture withImage(std::string id) {
    Capture capture;
    capture.id = std::move(id);
    capture.createdAt = now - 120;
    capture.note = "Button clipped\n  on narrow windows \n";
    capture.imagePath = "2026/12/shot.png";
    capture.thumbPath = "2026/12/shot.jpg";
    capture.appName = "Firefox";
    capture.appBundleID = "firefox";
    capture.windowTitle = "Checkout – Shop";
    return capture;
}

Capture noteOnly(std::string id) {
    Capture capture = withImage(std::move(id));
    capture.imagePath.clear();
    capture.thumbPath.reset();
    capture.captureMode = CaptureMode::text;
    return capture;
}

CaptureGroup group() {
    CaptureGroup g;
    g.id = "g";
    g.name = "Checkout";
    g.colorHex = "#10B981";
    return g;
}

TEST(CaptureCardContent, ShowsWhatEachCaptureHas) {
    test::TempLibrary library;
    const QString thumbs = toQString(TavroPaths::thumbsRoot().string());
    const QString captures = toQString(TavroPaths::capturesRoot().string());

    auto claimed = noteOnly("claimed");
    claimed.note = "";
    claimed.appName.reset();
    claimed.claimedBy = "claude";
    auto resolved = withImage("resolved");
    resolved.status = CaptureStatus::resolved;
    resolved.thumbPath.reset();
    auto escaping = withImage("escaping");
    escaping.thumbPath = "../../etc/passwd";
    Person ada{"p1", "Ada Lovelace", {}, {}, "person"};

    struct Case {
        Capture capture;
        std::optional<CaptureGroup> group;
        std::vector<std::string> tags;
        std::int64_t comments;
        std::int64_t images;
        std::optional<Person> assignee;
        CaptureCardContent expected;
    };
    const Case cases[] = {
        {withImage("plain"),
         std::nullopt,
         {},
         0,
         1,
         std::nullopt,
         {"plain",
          true,
          thumbs + u"/2026/12/shot.jpg"_s,
          u"Button clipped"_s,
          u"on narrow windows"_s,
          CaptureStatus::open,
          CapturePriority::normal,
          std::nullopt,
          false,
          "firefox",
          u"Firefox"_s,
          u"2m ago"_s,
          std::nullopt,
          {},
          std::nullopt,
          false,
          std::nullopt,
          {CardAction::resolve, CardAction::remove}}},
        {noteOnly("note"),
         group(),
         {"ui", "login", "p1"},
         12,
         0,
         ada,
         {"note",
          false,
          QString(),
          u"Button clipped"_s,
          u"on narrow windows"_s,
          CaptureStatus::open,
          CapturePriority::normal,
          std::nullopt,
          true,
          "firefox",
          u"Firefox"_s,
          u"2m ago"_s,
          GroupChipContent{u"Checkout"_s, "#10B981"},
          {u"ui"_s, u"login"_s},
          ada,
          false,
          12,
          {CardAction::resolve, CardAction::remove}}},
        {claimed,
         std::nullopt,
         {},
         0,
         0,
         std::nullopt,
         {"claimed",
          false,
          QString(),
          u"Untitled issue"_s,
          QString(),
          CaptureStatus::open,
          CapturePriority::normal,
          std::nullopt,
          true,
          "firefox",
          u"Unknown"_s,
          u"2m ago"_s,
          std::nullopt,
          {},
          std::nullopt,
          true,
          std::nullopt,
          {CardAction::resolve, CardAction::remove}}},
        {resolved,
         std::nullopt,
         {},
         1,
         2,
         std::nullopt,
         {"resolved",
          true,
          captures + u"/2026/12/shot.png"_s,
          u"Button clipped"_s,
          u"on narrow windows"_s,
          CaptureStatus::resolved,
          CapturePriority::normal,
          2,
          false,
          "firefox",
          u"Firefox"_s,
          u"2m ago"_s,
          std::nullopt,
          {},
          std::nullopt,
          false,
          1,
          {CardAction::remove}}},
        {escaping,
         std::nullopt,
         {},
         0,
         1,
         std::nullopt,
         {"escaping",
          true,
          QString(),
          u"Button clipped"_s,
          u"on narrow windows"_s,
          CaptureStatus::open,
          CapturePriority::normal,
          std::nullopt,
          false,
          "firefox",
          u"Firefox"_s,
          u"2m ago"_s,
          std::nullopt,
          {},
          std::nullopt,
          false,
          std::nullopt,
          {CardAction::resolve, CardAction::remove}}},
    };
    for (const auto& c : cases) {
        const auto content =
            cardContent(c.capture, c.group, c.tags, c.comments, c.images, c.assignee, now);
        EXPECT_EQ(content, c.expected) << c.capture.id;
        EXPECT_EQ(content.titleInDetails(), c.capture.hasImage()) << c.capture.id;
    }
    EXPECT_FALSE(cardContent(withImage("a"), {}, {}, 0, 1, {}, now).hasMetaLine());
    EXPECT_TRUE(cardContent(claimed, {}, {}, 0, 0, {}, now).hasMetaLine());
    EXPECT_TRUE(cardContent(withImage("a"), {}, {"t"}, 0, 1, {}, now).hasMetaLine());
    EXPECT_TRUE(cardContent(withImage("a"), {}, {}, 0, 1, ada, now).hasMetaLine());
    EXPECT_EQ(helpText(CardAction::resolve), QStringLiteral("Mark resolved"));
    EXPECT_EQ(helpText(CardAction::remove), QStringLiteral("Delete"));
}

TEST(CaptureRowContent, ShowsTheDenseLine) {
    test::TempLibrary library;
    auto sameWindow = withImage("same");
    sameWindow.windowTitle = " firefox ";
    auto untitledWindow = noteOnly("none");
    untitledWindow.windowTitle.reset();
    untitledWindow.appName.reset();

    struct Case {
        Capture capture;
        std::optional<CaptureGroup> group;
        std::vector<std::string> tags;
        std::int64_t comments;
        bool hasImage;
        QString appName;
        std::optional<QString> window;
        std::vector<QString> tags2;
        std::optional<std::int64_t> commentCount;
    };
    const Case cases[] = {
        {withImage("a"),
         group(),
         {"x", "y", "z"},
         3,
         true,
         u"Firefox"_s,
         QStringLiteral("Checkout – Shop"),
         {u"x"_s, u"y"_s},
         3},
        {sameWindow, std::nullopt, {}, 0, true, u"Firefox"_s, std::nullopt, {}, std::nullopt},
        {untitledWindow,
         std::nullopt,
         {"only"},
         1,
         false,
         u"Unknown"_s,
         std::nullopt,
         {u"only"_s},
         1},
    };
    for (const auto& c : cases) {
        const auto row = rowContent(c.capture, c.group, c.tags, c.comments, now);
        EXPECT_EQ(row.hasImage, c.hasImage) << c.capture.id;
        EXPECT_EQ(row.picturePath.isEmpty(), !c.hasImage) << c.capture.id;
        EXPECT_EQ(row.title, QStringLiteral("Button clipped")) << c.capture.id;
        EXPECT_EQ(row.appName, c.appName) << c.capture.id;
        EXPECT_EQ(row.windowTitle, c.window) << c.capture.id;
        EXPECT_EQ(row.tags, c.tags2) << c.capture.id;
        EXPECT_EQ(row.commentCount, c.commentCount) << c.capture.id;
        EXPECT_EQ(row.group.has_value(), c.group.has_value()) << c.capture.id;
        EXPECT_EQ(row.age, QStringLiteral("2m ago"));
    }
}

TEST(EmptyStateContent, WordsEachFilterAndTheSearch) {
    const QString matching = QStringLiteral("Captures matching this filter will show up here.");
    struct Case {
        LibraryFilter filter;
        bool searching;
        QString title;
        QString symbol;
        QString message;
        bool hint;
    };
    const Case cases[] = {
        {LibraryFilter::inbox(), false, u"Nothing on the board"_s, u"viewfinder"_s,
         u"When you spot something wrong, grab it. The screenshot and your note land here, and "_s
         u"your agent can read both."_s,
         true},
        {LibraryFilter::inbox(), true, u"No matches"_s, u"magnifyingglass"_s,
         u"Try a different search — notes, app names, window titles and URLs are all "_s
         u"searchable."_s,
         false},
        {LibraryFilter::status(CaptureStatus::resolved), true, u"No matches"_s,
         u"magnifyingglass"_s,
         u"Try a different search — notes, app names, window titles and URLs are all "_s
         u"searchable."_s,
         false},
        {LibraryFilter::status(CaptureStatus::open), false, u"No captures yet"_s, u"viewfinder"_s,
         matching, false},
        {LibraryFilter::status(CaptureStatus::inProgress), false, u"No captures yet"_s,
         u"viewfinder"_s, matching, false},
        {LibraryFilter::status(CaptureStatus::resolved), false, u"Nothing resolved yet"_s,
         u"checkmark.circle"_s, u"Captures you or an agent mark as fixed will collect here."_s,
         false},
        {LibraryFilter::status(CaptureStatus::archived), false, u"Nothing archived"_s,
         u"archivebox"_s, matching, false},
        {LibraryFilter::group("g"), false, u"This group is empty"_s, u"viewfinder"_s, matching,
         false},
        {LibraryFilter::tag("t"), false, u"No captures with this tag"_s, u"viewfinder"_s, matching,
         false},
        {LibraryFilter::assignedToMe(), false, u"Nothing assigned to you"_s, u"viewfinder"_s,
         matching, false},
        {LibraryFilter::mine(), false, u"You haven't filed anything yet"_s, u"viewfinder"_s,
         matching, false},
        {LibraryFilter::everything(), false, u"No captures yet"_s, u"viewfinder"_s, matching,
         false},
    };
    for (const auto& c : cases) {
        const EmptyStateContent expected{c.title, iconNamed(toStdString(c.symbol)).value(),
                                         c.message, c.hint};
        EXPECT_EQ(emptyStateContent(c.filter, c.searching), expected)
            << c.filter.title() << " searching " << c.searching;
    }
}

} // namespace
} // namespace tavro
