#include "detail/DetailHeaderContent.h"
#include "detail/DetailPaneState.h"
#include "detail/PaneTexts.h"
#include "model/Paths.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tavro;

namespace {

CaptureImage screenshot(const std::string& id, bool marked = false) {
    CaptureImage image;
    image.id = id;
    image.captureID = "c1";
    image.imagePath = "2025/06/" + id + ".png";
    image.width = 2880;
    image.height = 1800;
    if (marked) {
        image.annotatedPath = "2025/06/" + id + "-marked.png";
        image.annotationJSON =
            R"({"shapes":[{"id":"s1","tool":"arrow","colorHex":"#FF3B30","lineWidth":0.005,)"
            R"("points":[{"x":0.1,"y":0.1},{"x":0.4,"y":0.4}]}]})";
    }
    return image;
}

std::vector<CaptureImage> screenshots(const std::vector<std::string>& ids) {
    std::vector<CaptureImage> images;
    for (const auto& id : ids)
        images.push_back(screenshot(id));
    return images;
}

TEST(DetailPaneStateTest, ASelectionStaysWhileItsScreenshotIsThereElseTheFirstIsShown) {
    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::optional<std::string> select;
        std::optional<std::string> deleting;
        std::vector<std::string> after;
        std::optional<std::string> selected;
    };
    const std::vector<Case> cases{
        {"first read selects the first", {}, std::nullopt, std::nullopt, {"a", "b"}, "a"},
        {"a chosen one stays", {"a", "b", "c"}, "b", std::nullopt, {"a", "b", "c"}, "b"},
        {"a vanished one gives way", {"a", "b"}, "b", std::nullopt, {"a", "c"}, "a"},
        {"deleting the shown one", {"a", "b", "c"}, "b", "b", {"a", "c"}, "a"},
        {"deleting another keeps it", {"a", "b", "c"}, "c", "a", {"b", "c"}, "c"},
        {"deleting the last", {"a"}, "a", "a", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DetailPaneState state;
        state.setImages(screenshots(c.before));
        if (c.select)
            state.select(*c.select);
        if (c.deleting)
            state.willDelete(screenshot(*c.deleting));
        state.setImages(screenshots(c.after));
        EXPECT_EQ(state.selectedImageID(), c.selected);
        const CaptureImage* shown = state.selectedImage();
        EXPECT_EQ(shown ? std::optional(shown->id) : std::nullopt, c.selected);
    }
}

TEST(DetailPaneStateTest, ShowsTheSelectedScreenshotOrElseTheCover) {
    test::TempLibrary library;
    Capture cover;
    cover.imagePath = "2025/06/cover.png";
    cover.imageWidth = 1440;
    cover.imageHeight = 900;
    Capture noteOnly;

    DetailPaneState empty;
    EXPECT_FALSE(empty.showsNoScreenshot(cover));
    EXPECT_TRUE(empty.showsNoScreenshot(noteOnly));
    EXPECT_EQ(empty.shownFile(cover), TavroPaths::imageFilePath("2025/06/cover.png"));
    EXPECT_EQ(empty.shownPixelSize(cover), QSizeF(1440, 900));
    EXPECT_EQ(empty.shownFile(noteOnly), std::nullopt);

    DetailPaneState marked;
    marked.setImages({screenshot("a"), screenshot("b", true)});
    marked.select("b");
    EXPECT_FALSE(marked.showsNoScreenshot(noteOnly));
    EXPECT_EQ(marked.shownFile(cover), TavroPaths::imageFilePath("2025/06/b-marked.png"));
    EXPECT_EQ(marked.shownPixelSize(cover), QSizeF(2880, 1800));

    // A stored path that leaves the library names no file.
    CaptureImage hostile = screenshot("h");
    hostile.imagePath = "../../etc/passwd";
    DetailPaneState outside;
    outside.setImages({hostile});
    EXPECT_EQ(outside.shownFile(cover), std::nullopt);
}

TEST(DetailPaneStateTest, TheMarkupButtonShowsOnlyOverAFittedScreenshot) {
    struct Case {
        const char* name;
        std::vector<CaptureImage> images;
        bool actualSize;
        std::optional<std::string> label;
    };
    const std::vector<Case> cases{
        {"plain", {screenshot("a")}, false, "Mark up"},
        {"marked", {screenshot("a", true)}, false, "Edit marks"},
        {"actual size", {screenshot("a")}, true, std::nullopt},
        {"cover only", {}, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DetailPaneState state;
        state.setImages(c.images);
        if (c.actualSize)
            state.toggleActualSize();
        EXPECT_EQ(state.markupButtonLabel(), c.label);
    }
}

TEST(DetailPaneStateTest, FramesTheImageInEitherMode) {
    EXPECT_EQ(fitFrame(QSizeF(800, 600)), QSizeF(752, 552));
    EXPECT_EQ(fitFrame(QSizeF(30, 0)), QSizeF(1, 1));
    EXPECT_EQ(actualSizeFrame(QSizeF(2880, 1800), 2), QSizeF(1440, 900));
    EXPECT_EQ(actualSizeFrame(QSizeF(1200, 800), 1), QSizeF(1200, 800));
    EXPECT_EQ(actualSizeFrame(QSizeF(1200, 800), 0), QSizeF(1200, 800));
}

TEST(DetailPaneStateTest, TheScaleComesFromTheCaptureItsDisplayOrTheMainOne) {
    const std::vector<DisplayScale> displays{{"HDMI-1", 1}, {"eDP-1", 2}};
    struct Case {
        const char* name;
        double stored;
        std::optional<std::string> display;
        std::optional<double> main;
        double scale;
    };
    const std::vector<Case> cases{
        {"stored", 3, "HDMI-1", 1, 3},
        {"its display", 0, "eDP-1", 1, 2},
        {"display not connected", 0, "DP-7", 1.5, 1.5},
        {"no display recorded", -1, std::nullopt, 1, 1},
        {"no main display", 0, "DP-7", std::nullopt, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Capture capture;
        capture.displayScale = c.stored;
        capture.displayName = c.display;
        EXPECT_EQ(imageScale(capture, displays, c.main), c.scale);
    }
}

TEST(DetailHeaderContentTest, SaysWhatTheCaptureIsAndWhereItCameFrom) {
    struct Case {
        const char* name;
        std::string note;
        std::optional<std::string> app;
        std::optional<std::string> window;
        std::string imagePath;
        bool actualSize;
        DetailHeaderContent expected;
    };
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const Seconds taken = 1749138060; // 2025-06-05 15:41 UTC
    const std::string when = capturedAtText(taken, english);
    const std::vector<Case> cases{
        {"screenshot",
         "Checkout overlaps\nmore",
         "Firefox",
         "Checkout \u2014 Shop",
         "2025/06/a.png",
         false,
         {"Checkout overlaps", "Firefox", "Checkout \u2014 Shop", when, true, Icon::arrowsOutward,
          "Actual size"}},
        {"at actual size, window named like the app",
         "Typo",
         "Files",
         " files ",
         "2025/06/a.png",
         true,
         {"Typo", "Files", std::nullopt, when, true, Icon::arrowsInward, "Fit to window"}},
        {"note only, no app",
         "",
         std::nullopt,
         std::nullopt,
         "",
         false,
         {"Untitled capture in Unknown app", "Unknown app", std::nullopt, when, false,
          Icon::arrowsOutward, "Actual size"}},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        Capture capture;
        capture.note = c.note;
        capture.appName = c.app;
        capture.windowTitle = c.window;
        capture.imagePath = c.imagePath;
        capture.createdAt = taken;
        DetailHeaderContent content = DetailHeaderContent::make(capture, c.actualSize, english);
        // The title of a capture without an app is the model's; only the pane's words are here.
        if (!c.app)
            c.expected.title = content.title;
        EXPECT_EQ(content, c.expected);
    }
}

TEST(DetailHeaderContentTest, WritesAMediumDateAndAShortTime) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDateTime local(QDate(2025, 6, 5), QTime(15, 41));
    const Seconds date = double(local.toSecsSinceEpoch());
    const std::string text = capturedAtText(date, english);
    // The space before "PM" differs between versions of the locale data.
    EXPECT_EQ(text.substr(0, 17), "Jun 5, 2025, 3:41");
    EXPECT_EQ(text.substr(text.size() - 2), "PM");
}

TEST(DetailHeaderContentTest, EveryLocaleGetsItsMediumDateAndAShortTimeWithoutSeconds) {
    struct Case {
        const char* name;
        QLocale locale;
        QString date;
    };
    const Case cases[] = {
        {"C", QLocale::c(), QStringLiteral("5 Jun 2025")},
        {"German", QLocale(QLocale::German, QLocale::Germany), QString()},
        {"French", QLocale(QLocale::French, QLocale::France), QString()},
        {"British", QLocale(QLocale::English, QLocale::UnitedKingdom),
         QStringLiteral("5 Jun 2025")},
    };
    const QDateTime local(QDate(2025, 6, 5), QTime(15, 41, 27));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = toQString(capturedAtText(double(local.toSecsSinceEpoch()), c.locale));
        EXPECT_TRUE(text.contains(QStringLiteral("2025"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("41"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("27"))) << "no seconds: " << text.toStdString();
        EXPECT_FALSE(text.contains(c.locale.dayName(local.date().dayOfWeek())))
            << "no weekday: " << text.toStdString();
        EXPECT_FALSE(text.contains(c.locale.monthName(6)) &&
                     c.locale.monthName(6) != c.locale.monthName(6, QLocale::ShortFormat))
            << "an abbreviated month: " << text.toStdString();
        if (!c.date.isEmpty()) {
            EXPECT_TRUE(text.startsWith(c.date + QStringLiteral(", "))) << text.toStdString();
        }
    }
}

} // namespace
