#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "model/CaptureImage.h"

#include "TempLibrary.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(Capture, TitleAndBodyOfTheNote) {
    struct Case {
        std::string note;
        std::string imagePath;
        std::optional<std::string> appName;
        std::string title;
        std::string body;
    };
    const Case cases[] = {
        {"Login broken\n  button hidden  \n", "", {}, "Login broken", "button hidden"},
        {"  one line \t", "", {}, "one line", ""},
        {"", "2026/01/a.png", "Safari", "Untitled capture in Safari", ""},
        {"", "", {}, "Untitled issue", ""},
        {"\nsecond line", "", {}, "Untitled issue", "second line"},
        {" \t \nbody", "x.png", {}, "Untitled capture", "body"},
        {"", "x.png", "", "Untitled capture in ", ""},
        // A line feed after a carriage return is one break.
        {"First\r\nSecond\r\n", "", {}, "First", "Second"},
        {"\u00A0Title\u2003\nx", "", {}, "Title", "x"},
    };
    for (const auto& c : cases) {
        Capture capture{.id = "c", .note = c.note, .imagePath = c.imagePath, .appName = c.appName};
        EXPECT_EQ(capture.title(), c.title) << c.note;
        EXPECT_EQ(capture.noteBody(), c.body) << c.note;
    }
}

TEST(Capture, DerivedValues) {
    Capture capture{.id = "0b7e6c52-4c1d-4b8e-9a55-1f2e3d4c5b6a"};
    EXPECT_EQ(capture.shortID(), "3d4c5b6a");
    EXPECT_EQ(Capture{.id = "abc"}.shortID(), "abc");

    EXPECT_FALSE(capture.isShared());
    capture.workspaceID = "";
    EXPECT_TRUE(capture.isShared());
    capture.localOnly = true;
    EXPECT_FALSE(capture.isShared());

    test::TempLibrary library;
    EXPECT_EQ(capture.thumbFilePath(), std::nullopt);
    capture.thumbPath = "2026/01/a.jpg";
    EXPECT_EQ(capture.thumbFilePath(), library.root() / "thumbs/2026/01/a.jpg");
    capture.imagePath = "../../etc/passwd";
    EXPECT_EQ(capture.imageFilePath(), std::nullopt);

    Capture other = capture;
    other.dirty = !capture.dirty;
    EXPECT_NE(other, capture);
}

TEST(CaptureImage, FileLocations) {
    test::TempLibrary library;
    CaptureImage image{.id = "i", .captureID = "c", .imagePath = "2026/01/i.png"};
    EXPECT_EQ(image.displayFilePath(), library.root() / "captures/2026/01/i.png");
    image.annotatedPath = "2026/01/i-marked.png";
    EXPECT_EQ(image.displayFilePath(), library.root() / "captures/2026/01/i-marked.png");
    // A present but empty marked-up path names no file: the original is shown, as for the cover.
    image.annotatedPath = "";
    EXPECT_EQ(image.displayFilePath(), library.root() / "captures/2026/01/i.png");
    EXPECT_EQ(image.displayPath(), "2026/01/i.png");
    EXPECT_EQ(image.thumbFilePath(), std::nullopt);

    EXPECT_FALSE(image.isAwaitingDownload());
    image.imagePath = "";
    EXPECT_FALSE(image.isAwaitingDownload());
    image.originalSHA256 = std::string(64, 'a');
    EXPECT_TRUE(image.isAwaitingDownload());
    image.deletedAt = 5;
    EXPECT_TRUE(image.isAwaitingDownload());
}

TEST(Records, PeopleAndRoles) {
    struct Case {
        std::string name;
        std::string initials;
    };
    const Case cases[] = {
        {"mira solen", "MS"},
        {"mira solen vane", "MS"},
        {"  mira   solen  ", "MS"},
        {"mira", "M"},
        {"", "?"},
        {"   ", "?"},
        {"mira\tsolen", "M"},
        {"élan ørn", "ÉØ"},
        {"ßeta x", "SSX"},
    };
    for (const auto& c : cases)
        EXPECT_EQ((Person{.id = "p", .name = c.name, .kind = "person"}.initials()), c.initials)
            << c.name;

    EXPECT_TRUE((Person{.kind = "bot"}.isBot()));
    EXPECT_FALSE((Person{.kind = "Bot"}.isBot()));
    for (auto role : {"owner", "admin"})
        EXPECT_TRUE((Workspace{.role = role}.isAdmin())) << role;
    for (auto role : {"Owner", "admin ", "member", "guest"})
        EXPECT_FALSE((Workspace{.role = role}.isAdmin())) << role;
    EXPECT_TRUE((Workspace{.role = "guest"}.isGuest()));
    EXPECT_FALSE((Workspace{.role = "member"}.isGuest()));
    EXPECT_TRUE((Comment{.kind = "conflict"}.isConflict()));

    CaptureGroup group{.id = "g", .workspaceID = "w"};
    EXPECT_TRUE(group.isShared());
    EXPECT_NE((GroupMember{"g", "u", std::nullopt}), (GroupMember{"g", "u", 5.0}));
}

TEST(CaptureImage, DecodesItsMarkUpWithoutFailing) {
    const std::string pen = R"({"id":"s","tool":"pen","colorHex":"#FF3B30","lineWidth":0.005,)"
                            R"("points":[{"x":0.1,"y":0.2},{"x":0.3,"y":0.4}]})";
    struct Case {
        std::optional<std::string> json;
        size_t shapes;
    };
    const std::vector<Case> cases{
        {std::nullopt, 0},
        {"", 0},
        {"not json", 0},
        {R"({"marks":[]})", 0},
        {R"({"shapes":[{"id":"s","tool":"laser","colorHex":"#FF3B30","lineWidth":0.005,)"
         R"("points":[]}]})",
         0},
        {R"({"shapes":[]})", 0},
        {R"({"shapes":[)" + pen + "]}", 1},
        {R"({"shapes":[)" + pen + "," + pen + "]}", 2},
    };
    for (const auto& c : cases) {
        CaptureImage image{.id = "i", .captureID = "c", .annotationJSON = c.json};
        EXPECT_EQ(image.annotation().shapes.size(), c.shapes) << c.json.value_or("(absent)");
        EXPECT_EQ(image.hasAnnotations(), c.shapes > 0) << c.json.value_or("(absent)");
    }
    CaptureImage marked{.id = "i", .annotationJSON = R"({"shapes":[)" + pen + "]}"};
    EXPECT_EQ(marked.annotation().shapes.front().tool, AnnotationTool::pen);
    EXPECT_EQ(marked.annotation().shapes.front().points.back(), (AnnotationPoint{0.3, 0.4}));
}
