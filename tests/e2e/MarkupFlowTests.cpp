// The mark-up editor opened from the note box of the real program, driven as a user would.
#include "DesktopSession.h"

#include "model/Image.h"
#include "store/CaptureStore.h"

#include "TempLibrary.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tavro;
using tavro::test::DesktopSession;
using tavro::test::filesUnder;

namespace {

// The box tool (third in the toolbar), then a drag across the middle of the canvas.
void drawBox(DesktopSession& session, const std::array<int, 4>& editor) {
    const int x = editor[0], y = editor[1];
    session.xdotool({"mousemove", std::to_string(x + 16 + 2 + 2 * 32 + 15),
                     std::to_string(y + 8 + 2 + 13), "click", "1"});
    session.drag(x + editor[2] / 2 - 150, y + editor[3] / 2 - 100, x + editor[2] / 2 + 150,
                 y + editor[3] / 2 + 100);
}

std::vector<CaptureImage> screenshotsOf(const DesktopSession& session, const Capture& capture) {
    CaptureStore store(session.database(), defaultStoreChangeNotifier());
    return store.images(capture.id);
}

} // namespace

TEST(MarkupFlowTest, ABoxDrawnOnAPendingScreenshotIsSavedWithTheCapture) {
    DesktopSession session;
    ASSERT_TRUE(session.startRegionCapture());
    session.drag(100, 100, 500, 400);
    const auto editor = session.openMarkupEditorFromNoteBox();
    ASSERT_TRUE(editor);
    EXPECT_EQ((*editor)[2], 940);
    EXPECT_EQ((*editor)[3], 700);
    drawBox(session, *editor);
    session.screenshot("markup-editor-box");
    session.key("ctrl+Return");
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] { return session.windowsNamed("^Mark up screenshot$").empty(); }, 5s));
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$"));
    ASSERT_TRUE(session.waitForFocus(session.windowsNamed("^Tavro Note$").front()));
    session.screenshot("note-box-with-marks");
    session.type("Marked up");
    session.key("ctrl+Return");

    const auto found = session.waitForOneCapture(5s);
    ASSERT_TRUE(found);
    const auto images = screenshotsOf(session, *found);
    ASSERT_EQ(images.size(), 1u);
    const CaptureImage& image = images[0];
    const Annotation marks = image.annotation();
    ASSERT_EQ(marks.shapes.size(), 1u);
    EXPECT_EQ(marks.shapes[0].tool, AnnotationTool::rectangle);
    ASSERT_TRUE(image.annotatedPath);
    EXPECT_EQ(found->imagePath, *image.annotatedPath);

    // The marked copy differs from the original inside the box and nowhere far outside it.
    const auto original = Image::load(session.library() / "captures" / image.imagePath);
    const auto marked = Image::load(session.library() / "captures" / *image.annotatedPath);
    ASSERT_TRUE(original && marked);
    ASSERT_EQ(marked->size(), original->size());
    const AnnotationPoint a = marks.shapes[0].points.front(), b = marks.shapes[0].points.back();
    const int left = int(std::min(a.x, b.x) * original->width());
    const int right = int(std::max(a.x, b.x) * original->width());
    const int top = int(std::min(a.y, b.y) * original->height());
    const int bottom = int(std::max(a.y, b.y) * original->height());
    int inside = 0, outside = 0;
    for (int y = 0; y < original->height(); ++y)
        for (int x = 0; x < original->width(); ++x) {
            const bool differs = original->pixel(x, y) != marked->pixel(x, y);
            const bool near = x >= left - 4 && x <= right + 4 && y >= top - 4 && y <= bottom + 4;
            (near ? inside : outside) += differs;
        }
    EXPECT_GT(inside, 100);
    EXPECT_EQ(outside, 0);
}

TEST(MarkupFlowTest, CancelAndTheCloseButtonBringTheNoteBoxBackWithNothingChanged) {
    DesktopSession session;
    ASSERT_TRUE(session.startRegionCapture());
    session.drag(100, 100, 500, 400);
    for (const bool closeButton : {false, true}) {
        SCOPED_TRACE(closeButton ? "close button" : "Cancel");
        const auto editor = session.openMarkupEditorFromNoteBox();
        ASSERT_TRUE(editor);
        drawBox(session, *editor);
        if (closeButton)
            session.key("alt+F4");
        else
            session.key("Escape");
        ASSERT_TRUE(DesktopSession::waitUntil(
            [&] { return session.windowsNamed("^Mark up screenshot$").empty(); }, 5s));
        ASSERT_TRUE(session.waitForWindow("^Tavro Note$"));
        DesktopSession::holdsFor([&] { return filesUnder(session.library() / "captures") == 1u; },
                                 300ms);
        EXPECT_EQ(filesUnder(session.library() / "captures"), 1u);
    }
    session.key("ctrl+Return");
    const auto found = session.waitForOneCapture(5s);
    ASSERT_TRUE(found);
    const auto images = screenshotsOf(session, *found);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].annotationJSON, std::nullopt);
    EXPECT_EQ(images[0].annotatedPath, std::nullopt);
    EXPECT_EQ(found->imagePath, images[0].imagePath);
}
