#include "detail/ActivityText.h"
#include "detail/CaptureContext.h"
#include "detail/CommentDraft.h"
#include "detail/ContextLink.h"
#include "detail/TagLine.h"

#include "LibraryFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

TEST(TagLineTest, SplitsAtCommasOnlyTrimsAndLowerCases) {
    struct Case {
        const char* line;
        std::vector<std::string> tags;
    };
    const std::vector<Case> cases{
        {"UI , Crash,, Login Page ", {"ui", "crash", "login page"}},
        {"one;two three", {"one;two three"}},
        {"", {}},
        {" , ,\t,", {}},
        {"Bug, bug, BUG", {"bug", "bug", "bug"}},
        {"\tÉTÉ\t", {"été"}},
        {"a\nb, c", {"a\nb", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(parseTagLine(c.line), c.tags);
    }
    EXPECT_EQ(tagLineText({"ui", "login page"}), "ui, login page");
    EXPECT_EQ(tagLineText({}), "");
}

TEST(TagLineTest, TheStoreKeepsOneTagOfEachName) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("tagged");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {"old"}, {})));
    ASSERT_TRUE(test::awaitWrite(f.library->setTags(parseTagLine("Bug, bug, BUG"), capture.id)));
    f.settle();
    EXPECT_EQ(f.library->tagsByCapture().at(capture.id), std::vector<std::string>{"bug"});
    ASSERT_TRUE(test::awaitWrite(f.library->setTags(parseTagLine(" , "), capture.id)));
    f.settle();
    const auto& tags = f.library->tagsByCapture();
    EXPECT_TRUE(!tags.contains(capture.id) || tags.at(capture.id).empty());
}

TEST(ActivityTextTest, DescribesEachKindOfEvent) {
    const std::vector<Person> people{{"p1", "Ada", std::nullopt, std::nullopt, "human"}};
    struct Case {
        const char* kind;
        const char* detail;
        std::string text;
    };
    const std::vector<Case> cases{
        {"created", "no screenshot", "Filed without a screenshot"},
        {"created", "Region", "Captured \xE2\x80\x94 Region"},
        {"created", "", "Captured"},
        {"status_changed", "open \xE2\x86\x92 resolved",
         "Kim changed status \xE2\x80\x94 open \xE2\x86\x92 resolved"},
        {"claimed", "whatever", "Claimed by Kim"},
        {"resolved", "", "Kim resolved it"},
        {"resolved", "abc123", "Kim resolved it \xE2\x80\x94 abc123"},
        {"proposed", "a patch", "Kim proposed a fix \xE2\x80\x94 a patch"},
        {"assigned", "p1", "Kim assigned it to Ada"},
        {"assigned", "p9", "Kim assigned it to p9"},
        {"assigned", "", "Kim assigned it to nobody"},
        {"moved", "Backlog", "Kim moved it \xE2\x80\x94 Backlog"},
        {"reopened", "why", "Kim reopened it"},
        {"commented", "hello", "Kim commented"},
        {"updated", "note", "Kim updated \xE2\x80\x94 note"},
        {"Updated", "", "Kim Updated"},
        {"archived", "by rule", "Kim archived \xE2\x80\x94 by rule"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + "/" + c.detail);
        ActivityEvent event;
        event.kind = c.kind;
        event.detail = c.detail;
        event.actor = "Kim";
        EXPECT_EQ(eventDescription(event, people), c.text);
    }
}

TEST(CommentDraftTest, PostsTrimmedTextAndKeepsItWhenThePostFails) {
    LibraryFixture f;
    const Capture capture = LibraryFixture::makeCapture("commented");
    ASSERT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
    struct Case {
        const char* name;
        std::string typed;
        std::string captureID;
        bool canPost;
        bool ok;
        bool posted;
        std::string left; // in the field afterwards
    };
    const std::vector<Case> cases{
        {"spaces around the text", "  looks broken \n", capture.id, true, true, true, ""},
        {"spaces only", "  \t ", capture.id, false, true, false, "  \t "},
        {"line breaks only", "\n\n", capture.id, true, true, false, "\n\n"},
        {"the store refuses it", "kept", "no-such-capture", true, false, false, "kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommentDraft draft;
        draft.setText(c.typed);
        EXPECT_EQ(draft.canPost(), c.canPost);
        const WriteResult<bool> result = test::awaitWrite(draft.post(*f.library, c.captureID));
        EXPECT_EQ(result.ok(), c.ok);
        if (result.ok())
            EXPECT_EQ(*result, c.posted);
        else
            EXPECT_FALSE(result.error().empty());
        EXPECT_EQ(draft.text(), c.left);
    }
    const std::vector<Comment> comments = f.store().comments(capture.id);
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0].body, "looks broken");
    EXPECT_EQ(comments[0].author, "you");
}

TEST(ContextLinkTest, OnlyWebAndMailLinksOpen) {
    struct Case {
        const char* value;
        bool opens;
    };
    const std::vector<Case> cases{
        {"https://example.com/a?b=c", true},
        {"http://localhost:8080/", true},
        {"HTTPS://EXAMPLE.COM", true},
        {"mailto:someone@example.com", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"ftp://example.com/file", false},
        {"x-custom://open?thing", false},
        {"smb://server/share", false},
        {"https://", false},
        {"mailto:", false},
        {"not a url", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const std::optional<QUrl> link = openableLink(c.value);
        EXPECT_EQ(link.has_value(), c.opens);
    }
}

TEST(CaptureContextTest, ListsWhatTheCaptureKnowsAndLinksOnlySafeAddresses) {
    Capture shot = LibraryFixture::makeCapture("shot");
    shot.imagePath = "2026/12/shot.png";
    shot.imageWidth = 1440;
    shot.imageHeight = 900;
    shot.appName = "Firefox";
    shot.windowTitle = "Checkout \xE2\x80\x94 Shop";
    shot.url = "https://shop.example/checkout";
    shot.displayName = "";
    EXPECT_EQ(contextTitle(shot), "Captured in");
    const std::vector<CaptureContextRow> rows{
        {"App", "Firefox"},
        {"Window", "Checkout \xE2\x80\x94 Shop"},
        {"URL", "https://shop.example/checkout",
         QUrl(QStringLiteral("https://shop.example/checkout"))},
        {"Display", ""},
        {"Size", "1440 \xC3\x97 900 px"},
        {"Mode", "Region"},
    };
    EXPECT_EQ(contextRows(shot), rows);

    Capture text = LibraryFixture::makeCapture("typed", CapturePriority::normal, CaptureMode::text);
    text.windowTitle = "terminal";
    text.appName = "Terminal";
    text.url = "file:///home/me/.ssh/id_rsa";
    EXPECT_EQ(contextTitle(text), "Filed from");
    const std::vector<CaptureContextRow> textRows{
        {"App", "Terminal"},
        {"URL", "file:///home/me/.ssh/id_rsa", std::nullopt},
        {"Mode", "Text only"},
    };
    EXPECT_EQ(contextRows(text), textRows);

    Capture unknown =
        LibraryFixture::makeCapture("unknown", CapturePriority::normal, CaptureMode::fullscreen);
    unknown.url = "";
    const std::vector<CaptureContextRow> unknownRows{{"App", "Unknown"}, {"Mode", "Full Screen"}};
    EXPECT_EQ(contextRows(unknown), unknownRows);
}
