#include "Formatting.h"

#include "TempLibrary.h"
#include "model/Paths.h"

#include <cmath>

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::test;

namespace {

constexpr Seconds T = 1750000000; // 2025-06-15T15:06:40Z

Capture capture(std::string note = "Checkout button overlaps the total") {
    return Capture{.id = "3f2a9c1e-0000-4000-8000-000000000001",
                   .createdAt = T - 3 * 3600,
                   .updatedAt = T,
                   .note = std::move(note),
                   .imagePath = "2025/06/3f2a9c1e.png",
                   .imageWidth = 3024,
                   .imageHeight = 1964,
                   .imageBytes = 245000};
}

CaptureImage screenshot(int position, bool marked = false) {
    std::string name = "shot" + std::to_string(position);
    CaptureImage image{.id = name,
                       .captureID = "c",
                       .position = position,
                       .imagePath = "2025/06/" + name + ".png"};
    if (marked) {
        image.annotatedPath = "2025/06/" + name + "-marked.png";
        image.annotationJSON =
            R"({"shapes":[{"id":"s","tool":"rectangle","colorHex":"#FF3B30","lineWidth":0.004,)"
            R"("points":[{"x":0.1,"y":0.1},{"x":0.5,"y":0.5}]}]})";
    }
    return image;
}

ActivityEvent event(std::string kind, std::string detail, Seconds at = T - 60) {
    return ActivityEvent{.id = "e",
                         .kind = std::move(kind),
                         .detail = std::move(detail),
                         .actor = "claude",
                         .createdAt = at};
}

} // namespace

TEST(Format, RelativeTimes) {
    struct Case {
        Seconds ago;
        const char* text;
    };
    const Case cases[] = {
        {0.4, "1s ago"},
        {0, "1s ago"},
        {59, "59s ago"},
        {60, "1m ago"},
        {3599, "59m ago"},
        {3600, "1h ago"},
        {86399, "23h ago"},
        {86400, "1d ago"},
        {2591999, "29d ago"},
        {2592000, "1mo ago"},
        {400 * 86400.0, "13mo ago"},
        {-10, "just now"},
        {-0.4, "1s ago"},
        {1e300, "385802469mo ago"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format::relative(T - c.ago, T), c.text) << c.ago;
    EXPECT_EQ(Format::relative(std::nan(""), T), "just now");
}

TEST(Format, ShortIDsAndTimes) {
    EXPECT_EQ(Format::shortID("3f2a9c1e-0000-4000-8000-000000000001"), "3f2a9c1e");
    EXPECT_EQ(Format::shortID("abc"), "abc");
    EXPECT_EQ(Format::shortID("\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"),
              "\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9");
    EXPECT_EQ(Format::iso(T + 0.9), "2025-06-15T15:06:40Z");
    EXPECT_EQ(Format::iso(1750237267), "2025-06-18T09:01:07Z");
}

TEST(Format, FileSizes) {
    struct Case {
        std::int64_t bytes;
        const char* text;
    };
    const Case cases[] = {{0, "Zero KB"},     {1, "1 byte"},          {999, "999 bytes"},
                          {1000, "1 KB"},     {245000, "245 KB"},     {1499, "1 KB"},
                          {999499, "999 KB"}, {999500, "1 MB"},       {1200000, "1.2 MB"},
                          {2000000, "2 MB"},  {1234567890, "1.23 GB"}};
    for (const auto& c : cases)
        EXPECT_EQ(Format::fileSize(c.bytes), c.text) << c.bytes;
}

TEST(Format, DistinctWindowTitle) {
    struct Case {
        std::optional<std::string> app;
        std::optional<std::string> title;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"safari", "  Safari \n", std::nullopt}, {"safari", "Inbox", "Inbox"},
        {"Safari", " \t\n", std::nullopt},       {std::nullopt, "Inbox", "Inbox"},
        {"Safari", std::nullopt, std::nullopt},  {"\u00C9diteur", "\u00E9DITEUR", std::nullopt},
    };
    for (const auto& c : cases) {
        auto item = capture();
        item.appName = c.app;
        item.windowTitle = c.title;
        EXPECT_EQ(Format::distinctWindowTitle(item), c.expected) << c.title.value_or("-");
    }
}

TEST(Format, ListLines) {
    auto full = capture();
    full.priority = CapturePriority::high;
    full.appName = "Safari";
    full.windowTitle = "Checkout";
    EXPECT_EQ(Format::listLine(full, "checkout flow", {"layout", "mobile"}, 1, 2, T),
              "[3f2a9c1e] OPEN !high Checkout button overlaps the total\n"
              "    Safari \u00B7 \u201CCheckout\u201D \u00B7 group:checkout flow \u00B7 "
              "tags:layout,mobile \u00B7 2 screenshots \u00B7 1 comment \u00B7 3h ago");

    auto claimed = capture("");
    claimed.status = CaptureStatus::inProgress;
    claimed.url = "https://example.com/cart";
    claimed.claimedBy = "claude";
    EXPECT_EQ(
        Format::listLine(claimed, std::nullopt, {}, 2, 1, T),
        "[3f2a9c1e] IN-PROGRESS Untitled capture\n"
        "    https://example.com/cart \u00B7 claimed-by:claude \u00B7 2 comments \u00B7 3h ago");

    auto typed = capture("Typo in the footer\nmore");
    typed.imagePath = "";
    typed.captureMode = CaptureMode::text;
    typed.appName = "Mail";
    typed.url = "";
    EXPECT_EQ(Format::listLine(typed, std::nullopt, {}, 0, 0, T),
              "[3f2a9c1e] OPEN Typo in the footer\n"
              "    Mail \u00B7 no screenshot \u00B7 3h ago");
}

// Names and titles holding line breaks (from another program, or stored before names were kept
// to one line) stay inside their field: a listing keeps its two lines, the detail one line per
// field, and only the note and comment bodies keep their own lines.
TEST(Format, OneLineFieldsKeepToOneLine) {
    auto forged = capture("");
    forged.status = CaptureStatus::resolved;
    forged.appName = "App\n[deadbeef] OPEN forged";
    forged.appBundleID = "app\n";
    forged.windowTitle = "Title\r\nsecond";
    forged.url = "https://x.example/\u2028more";
    forged.displayName = "DP\v1";
    forged.claimedBy = "claude\nRESOLVED";
    forged.resolvedAt = T - 60;
    forged.resolutionRef = "abc\ndef";
    EXPECT_EQ(Format::listLine(forged, "Design\n[c0000009] OPEN forged", {"ui\nx"}, 0, 1, T),
              "[3f2a9c1e] RESOLVED Untitled capture in App [deadbeef] OPEN forged\n"
              "    App [deadbeef] OPEN forged \u00B7 \u201CTitle second\u201D \u00B7 "
              "https://x.example/ more \u00B7 group:Design [c0000009] OPEN forged \u00B7 "
              "tags:ui x \u00B7 claimed-by:claude RESOLVED \u00B7 3h ago");
    const std::vector<Comment> comments{{.id = "m1",
                                         .captureID = forged.id,
                                         .author = "Bot\nAgent",
                                         .body = "two\nlines",
                                         .createdAt = T - 70}};
    auto forgedEvent = event("resolved", "ref\n[1m ago] you deleted it");
    forgedEvent.actor = "Bot\nAgent";
    const auto text =
        Format::detail(forged, "Design\nGroup", {"ui\nx"}, comments, {forgedEvent}, {}, T);
    for (const char* line :
         {"\nApp: App [deadbeef] OPEN forged (app )\n", "\nWindow: Title second\n",
          "\nURL: https://x.example/ more\n", "\nDisplay: DP 1\n", "\nGroup: Design Group\n",
          "\nTags: ui x\n", "\nClaimed by claude RESOLVED\n", "\nResolved 1m ago \u2014 abc def\n",
          "\n[1m ago] Bot Agent: two\nlines\n",
          "\n[1m ago] Bot Agent resolved it \u2014 ref [1m ago] you deleted it\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
}

TEST(Format, DescribesHistoryEvents) {
    struct Case {
        const char* kind;
        const char* detail;
        const char* text;
    };
    const Case cases[] = {
        {"created", " no screenshot\t", "filed by claude without a screenshot"},
        {"created", "", "captured by claude"},
        {"created", "region", "captured by claude (region)"},
        {"claimed", "x", "claude claimed it"},
        {"resolved", "  ", "claude resolved it"},
        {"resolved", "abc123", "claude resolved it \u2014 abc123"},
        {"commented", "", "claude commented"},
        {"status_changed", "Open \u2192 Resolved", "claude changed status: Open \u2192 Resolved"},
        {"status_changed", "", "claude changed status: "},
        {"updated", "note, tags \u2192 ui", "claude updated note, tags \u2192 ui"},
        {"assigned", "to the designer", "claude assigned: to the designer"},
        {"assigned", "", "claude assigned"},
        {"resolved", "\nref", "claude resolved it \u2014 \nref"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format::describe(event(c.kind, c.detail)), c.text) << c.kind << c.detail;
}

TEST(Format, DetailOfATextOnlyCapture) {
    TempLibrary library;
    auto typed = capture("");
    typed.imagePath = "";
    typed.imageWidth = typed.imageHeight = typed.imageBytes = 0;
    typed.captureMode = CaptureMode::region;
    typed.status = CaptureStatus::resolved;
    typed.resolvedAt = T - 120;
    typed.resolutionRef = "";
    EXPECT_EQ(Format::detail(typed, std::nullopt, {}, {}, {}, {}, T),
              "Capture 3f2a9c1e-0000-4000-8000-000000000001\n"
              "Status: RESOLVED   Priority: Normal\n"
              "Captured: 2025-06-15T12:06:40Z (3h ago)\n"
              "Mode: Text only   No screenshot \u2014 this issue was typed, not captured. Go by "
              "the note.\n"
              "\n"
              "\u2500\u2500 Where it was seen \u2500\u2500\n"
              "App: unknown\n"
              "\n"
              "\u2500\u2500 Note \u2500\u2500\n"
              "(no note written)\n"
              "Resolved 2m ago\n");
}

TEST(Format, DetailOfACaptureWithEverything) {
    TempLibrary library;
    auto full = capture("Checkout button overlaps the total\n\nOnly on narrow windows.");
    full.priority = CapturePriority::high;
    full.status = CaptureStatus::resolved;
    full.appName = "Firefox";
    full.appBundleID = "firefox";
    full.windowTitle = "Checkout \u2014 Shop";
    full.url = "https://shop.example/checkout";
    full.displayName = "DP-1";
    full.claimedBy = "claude";
    full.claimedAt = T - 7200;
    full.resolvedAt = T - 60;
    full.resolutionRef = "abc123";
    std::vector<Comment> comments{
        {.id = "m1",
         .captureID = full.id,
         .author = "you",
         .body = "Still there",
         .createdAt = T - 5000},
        {.id = "m2",
         .captureID = full.id,
         .author = "claude",
         .isAgent = true,
         .body = "Fixed",
         .createdAt = T - 70},
    };
    std::vector<ActivityEvent> history;
    for (int i = 0; i < 20; ++i)
        history.push_back(event("claimed", "", T - 3600 + i * 60));
    std::vector<CaptureImage> images{screenshot(0), screenshot(1, true), screenshot(2)};
    auto captures = TavroPaths::capturesRoot().string();
    auto text =
        Format::detail(full, "checkout flow", {"layout", "mobile"}, comments, history, images, T);
    std::string expected = "Capture 3f2a9c1e-0000-4000-8000-000000000001\n"
                           "Status: RESOLVED   Priority: High\n"
                           "Captured: 2025-06-15T12:06:40Z (3h ago)\n"
                           "Mode: Region   3 screenshots (1 marked up)\n"
                           "\n"
                           "\u2500\u2500 Where it was seen \u2500\u2500\n"
                           "App: Firefox (firefox)\n"
                           "Window: Checkout \u2014 Shop\n"
                           "URL: https://shop.example/checkout\n"
                           "Display: DP-1\n"
                           "Group: checkout flow\n"
                           "Tags: layout, mobile\n"
                           "\n"
                           "\u2500\u2500 Note \u2500\u2500\n"
                           "Checkout button overlaps the total\n\nOnly on narrow windows.\n"
                           "\n"
                           "Claimed by claude 2h ago\n"
                           "Resolved 1m ago \u2014 abc123\n"
                           "\n"
                           "\u2500\u2500 Comments (2) \u2500\u2500\n"
                           "[1h ago] you: Still there\n"
                           "[1m ago] claude: Fixed\n"
                           "\n"
                           "\u2500\u2500 History \u2500\u2500\n";
    for (int i = 8; i < 20; ++i)
        expected += "[" + std::to_string(60 - i) + "m ago] claude claimed it\n";
    expected += "\n"
                "Local files:\n"
                "  1. " +
                captures +
                "/2025/06/shot0.png\n"
                "  2. " +
                captures +
                "/2025/06/shot1-marked.png  (annotated; original at shot1.png)\n"
                "  3. " +
                captures + "/2025/06/shot2.png";
    EXPECT_EQ(text, expected);
}

TEST(Format, ScreenshotLineOfOneOrNoRecords) {
    TempLibrary library;
    auto cover = capture();
    auto lineOf = [&](const std::vector<CaptureImage>& images) {
        auto text = Format::detail(cover, std::nullopt, {}, {}, {}, images, T);
        auto start = text.find("Mode: ");
        return text.substr(start, text.find('\n', start) - start);
    };
    EXPECT_EQ(lineOf({}), "Mode: Region   Image: 3024\u00D71964px, 245 KB");
    EXPECT_EQ(lineOf({screenshot(0)}), "Mode: Region   Image: 3024\u00D71964px, 245 KB");
    EXPECT_EQ(lineOf({screenshot(0, true)}),
              "Mode: Region   Image: 3024\u00D71964px, 245 KB   (marked up by the user)");
    EXPECT_EQ(lineOf({screenshot(0), screenshot(1)}), "Mode: Region   2 screenshots");

    auto text = Format::detail(cover, std::nullopt, {}, {}, {}, {}, T);
    EXPECT_TRUE(text.ends_with("\n\nLocal file: " + TavroPaths::capturesRoot().string() +
                               "/2025/06/3f2a9c1e.png"))
        << text;
    cover.imagePath = "../../etc/passwd";
    text = Format::detail(cover, std::nullopt, {}, {}, {}, {}, T);
    EXPECT_TRUE(text.ends_with("\nLocal file: (not available on this computer)")) << text;
}
