// The editor window and its controls, driven as a user would, on Qt's offscreen platform.
#include "MarkupEditorSupport.h"

#include "compose/MarkupControls.h"

#include <QAbstractButton>
#include <QGraphicsOpacityEffect>
#include <QLabel>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::EditorFixture;

namespace {

QAbstractButton* buttonNamed(QWidget& root, const char* name) {
    for (auto* button : root.findChildren<QAbstractButton*>())
        if (button->accessibleName() == QString::fromUtf8(name))
            return button;
    return nullptr;
}

QWidget* groupOf(QWidget& root, const char* buttonName) {
    return buttonNamed(root, buttonName)->parentWidget();
}

class MarkupEditorViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        image = test::writeScreenshot("2026/12/shot.png", 800, 500);
        f.open(image);
        ASSERT_TRUE(f.controller.hasWindow());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(f.controller.window()));
    }
    QWidget& window() { return *f.controller.window(); }

    EditorFixture f;
    CaptureImage image;
};

TEST_F(MarkupEditorViewTest, OpensTitledAndSizedWithTheStoredChoices) {
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Mark up screenshot"));
    EXPECT_EQ(window().size(), QSize(940, 700));
    EXPECT_EQ(window().minimumSize(), QSize(640, 480));
    EXPECT_TRUE(buttonNamed(window(), "Draw")->isChecked());
    EXPECT_TRUE(buttonNamed(window(), "#FF3B30")->isChecked());
    EXPECT_TRUE(buttonNamed(window(), "M")->isChecked());
    EXPECT_EQ(f.view().hint(), QStringLiteral("Drag to draw freehand."));
    for (const char* name : {"Undo", "Redo", "Clear all marks"})
        EXPECT_FALSE(buttonNamed(window(), name)->isEnabled()) << name;
}

TEST_F(MarkupEditorViewTest, ChoicesAreStoredAtOnceAndBlurDimsColourAndWidth) {
    buttonNamed(window(), "Box")->click();
    buttonNamed(window(), "#34C759")->click();
    buttonNamed(window(), "L")->click();
    EXPECT_EQ(f.preferences.text(PreferenceKey::markupTool), "rectangle");
    EXPECT_EQ(f.preferences.text(PreferenceKey::markupColor), "#34C759");
    EXPECT_EQ(f.preferences.integer(PreferenceKey::markupWidth), 2);
    EXPECT_EQ(f.view().hint(), QStringLiteral("Drag to place a box."));

    buttonNamed(window(), "Blur")->click();
    for (const char* member : {"#34C759", "S"}) {
        QWidget* group = groupOf(window(), member);
        EXPECT_FALSE(group->isEnabled()) << member;
        EXPECT_DOUBLE_EQ(static_cast<QGraphicsOpacityEffect*>(group->graphicsEffect())->opacity(),
                         0.35);
    }
    buttonNamed(window(), "#FFFFFF")->click();
    EXPECT_EQ(f.preferences.text(PreferenceKey::markupColor), "#34C759");

    buttonNamed(window(), "Arrow")->click();
    EXPECT_TRUE(groupOf(window(), "S")->isEnabled());
    EXPECT_DOUBLE_EQ(
        static_cast<QGraphicsOpacityEffect*>(groupOf(window(), "S")->graphicsEffect())->opacity(),
        1.0);
}

TEST_F(MarkupEditorViewTest, DragsBecomeShapesAndTheKeysReachUndoRedoSaveAndCancel) {
    buttonNamed(window(), "Box")->click();
    f.drag({200, 200}, {400, 350});
    ASSERT_EQ(f.view().state().shapes().size(), 1u);
    EXPECT_TRUE(buttonNamed(window(), "Undo")->isEnabled());
    EXPECT_FALSE(buttonNamed(window(), "Redo")->isEnabled());

    QTest::keyClick(&window(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(f.view().state().shapes().empty());
    QTest::keyClick(&window(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f.view().state().shapes().size(), 1u);
    QTest::keyClick(&window(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(f.view().state().shapes().size(), 1u);

    QTest::keyClick(&window(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(f.saved.size(), 1u);
    EXPECT_EQ(f.saved[0].shapes.size(), 1u);
    EXPECT_EQ(f.saved[0].shapes[0].tool, AnnotationTool::rectangle);
    EXPECT_FALSE(f.controller.hasWindow());
    EXPECT_EQ(f.ended, 0);
}

TEST_F(MarkupEditorViewTest, AFailedSaveKeepsTheEditorOpenWithItsMarksAndTheReason) {
    buttonNamed(window(), "Box")->click();
    f.drag({200, 200}, {400, 350});
    f.refusal = "disk full";
    QTest::keyClick(&window(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(f.saved.size(), 1u);
    ASSERT_TRUE(f.controller.hasWindow());
    EXPECT_EQ(f.view().state().shapes().size(), 1u);
    EXPECT_EQ(f.view().saveFailure(), QStringLiteral("Your marks couldn't be saved.\nDisk full."));
    EXPECT_EQ(f.ended, 0);

    // Saving again once the cause is gone closes it, with the same marks.
    f.refusal.reset();
    buttonNamed(window(), "Save marks")->click();
    ASSERT_EQ(f.saved.size(), 2u);
    EXPECT_EQ(f.saved[1], f.saved[0]);
    EXPECT_FALSE(f.controller.hasWindow());
    EXPECT_EQ(f.ended, 0);
}

TEST_F(MarkupEditorViewTest, EscapeAndTheCloseButtonEndWithoutASaveOnce) {
    QTest::keyClick(&window(), Qt::Key_Escape);
    EXPECT_FALSE(f.controller.hasWindow());
    EXPECT_EQ(f.ended, 1);

    f.open(image);
    f.controller.window()->close();
    EXPECT_FALSE(f.controller.hasWindow());
    (void)QTest::qWaitFor([&] { return f.ended == 2; }, 2000);
    EXPECT_EQ(f.ended, 2);
    EXPECT_TRUE(f.saved.empty());
}

TEST_F(MarkupEditorViewTest, PresentingAgainReplacesTheEditorWithoutItsCallbacks) {
    QPointer<QWidget> first = &window();
    f.open(image);
    (void)QTest::qWaitFor([&] { return first.isNull() || !first->isVisible(); }, 2000);
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    EXPECT_NE(f.controller.window(), first.data());
    EXPECT_EQ(f.ended, 0);
    EXPECT_TRUE(f.saved.empty());
}

TEST_F(MarkupEditorViewTest, StoredMarksOpenAsShapesOverTheOriginal) {
    f.controller.dismiss();
    CaptureImage marked = image;
    marked.annotatedPath = "2026/12/shot-marked.png";
    const Annotation stored{
        {{"a", AnnotationTool::ellipse, "#FF3B30", 0.005, {{0.1, 0.1}, {0.5, 0.5}}}}};
    marked.annotationJSON = stored.encoded();
    f.open(marked);
    EXPECT_EQ(f.view().state().annotation(), stored);
    EXPECT_EQ(f.view().state().originalSize(), (PixelSize{800, 500}));
    EXPECT_TRUE(buttonNamed(window(), "Undo")->isEnabled());
}

TEST(MarkupEditorControllerTest, AMissingScreenshotShowsTheAlertAndEndsWithoutASave) {
    EditorFixture f;
    CaptureImage gone;
    gone.id = "x";
    gone.imagePath = "2026/12/gone.png";
    f.open(gone);
    EXPECT_FALSE(f.controller.hasWindow());
    ASSERT_EQ(f.alerts.size(), 1u);
    EXPECT_EQ(f.alerts[0], QStringLiteral("That screenshot is missing|Tavro couldn't find ") +
                               toQString((TavroPaths::capturesRoot() / gone.imagePath).string()) +
                               u'.');
    EXPECT_EQ(f.ended, 1);
    EXPECT_TRUE(f.saved.empty());
}

TEST(MarkupEditorControllerTest, AStoredWidthOutsideTheChoicesDrawsTheMiddleWidth) {
    EditorFixture f;
    f.preferences.setInteger(PreferenceKey::markupWidth, 9);
    f.preferences.setText(PreferenceKey::markupTool, "spray");
    f.open(test::writeScreenshot("2026/12/w.png", 400, 300));
    ASSERT_TRUE(f.controller.hasWindow());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.controller.window()));
    EXPECT_TRUE(buttonNamed(*f.controller.window(), "M")->isChecked());
    EXPECT_TRUE(buttonNamed(*f.controller.window(), "Draw")->isChecked());
    f.drag({100, 100}, {300, 200});
    ASSERT_EQ(f.view().state().shapes().size(), 1u);
    EXPECT_EQ(f.view().state().shapes()[0].lineWidth, 0.005);
    EXPECT_EQ(f.view().state().shapes()[0].tool, AnnotationTool::pen);
}

} // namespace
