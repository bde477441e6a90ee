// Pictures of the mark-up editor for a person to look at, at the scale the test runs at.
#include "MarkupEditorSupport.h"

#include <QDir>

#include "ViewPicture.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

void save(QWidget& widget, const QString& name) {
    test::savePicture(widget, name);
}

TEST(MarkupEditorPictures, EachToolDrawnOnceAndABlurBeingDragged) {
    test::EditorFixture f;
    f.open(test::writeScreenshot("2026/12/shot.png", 1600, 1000));
    ASSERT_TRUE(f.controller.hasWindow());
    QWidget& window = *f.controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const struct {
        AnnotationTool tool;
        const char* color;
        QPoint from, to;
    } strokes[] = {
        {AnnotationTool::blur, "#FF3B30", {560, 380}, {760, 500}},
        {AnnotationTool::pen, "#FF3B30", {120, 120}, {300, 200}},
        {AnnotationTool::arrow, "#0A84FF", {340, 420}, {520, 260}},
        {AnnotationTool::rectangle, "#34C759", {560, 110}, {820, 260}},
        {AnnotationTool::ellipse, "#AF52DE", {110, 300}, {300, 480}},
        {AnnotationTool::highlight, "#FFCC00", {360, 150}, {520, 150}},
    };
    for (const auto& s : strokes) {
        f.view().chooseTool(s.tool);
        f.view().chooseColor(s.color);
        f.drag(s.from, s.to, s.tool == AnnotationTool::pen ? 12 : 4);
    }
    ASSERT_EQ(f.view().state().shapes().size(), 6u);
    save(window, QStringLiteral("markup-editor"));

    // The blur chosen: colour and width dimmed, a frame being dragged.
    f.view().chooseTool(AnnotationTool::blur);
    QTest::mousePress(&f.canvas(), Qt::LeftButton, {}, {600, 140});
    QMouseEvent move(QEvent::MouseMove, QPointF(780, 240),
                     f.canvas().mapToGlobal(QPointF(780, 240)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&f.canvas(), &move);
    save(window, QStringLiteral("markup-editor-blur-drag"));
    QTest::mouseRelease(&f.canvas(), Qt::LeftButton, {}, {780, 240});
}

TEST(MarkupEditorPictures, ASaveThatFailedSaysWhatFailedOverWhy) {
    test::EditorFixture f;
    f.open(test::writeScreenshot("2026/12/shot.png", 1600, 1000));
    ASSERT_TRUE(f.controller.hasWindow());
    QWidget& window = *f.controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    f.view().chooseTool(AnnotationTool::rectangle);
    f.drag({560, 110}, {820, 260});
    f.refusal = "Couldn't save the screenshot: Could not write "
                "5f0c2a7e-8d31-4b6a-9e2f-3c4d5e6f7a8b-marked.png: Permission denied";
    f.view().save();
    EXPECT_EQ(f.view().saveFailure(),
              QStringLiteral("Your marks couldn't be saved.\nThe marked copy of the screenshot "
                             "could not be written: Permission denied."));
    save(window, QStringLiteral("markup-editor-save-failed"));
}

} // namespace
