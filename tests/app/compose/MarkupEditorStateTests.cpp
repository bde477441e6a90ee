// The mark-up editor's state, gestures and geometry, without a display.
#include "compose/MarkupEditorState.h"
#include "compose/MarkupTexts.h"

#include "model/AnnotationRenderer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tavro;

namespace {

Image solid(int width, int height, uint32_t argb = 0xFF336699) {
    auto image = Image::create({width, height});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->setPixel(x, y, argb);
    return std::move(*image);
}

bool samePixels(const Image& a, const Image& b) {
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.pixels() + y * a.stride(), b.pixels() + y * b.stride(),
                        size_t(a.width()) * 4) != 0)
            return false;
    return true;
}

// A 1000 by 500 canvas showing a 2000 by 1000 screenshot edge to edge: one canvas pixel is
// 0.001 of the width and 0.002 of the height.
const CanvasRect frame{0, 0, 1000, 500};

struct Editor {
    explicit Editor(MarkupStyle style = {}, Annotation initial = {})
        : original(solid(2000, 1000))
        , state(original, initial, std::move(style)) {}

    // Press at `from`, move through `through`, release.
    bool drag(CanvasPoint from, std::vector<CanvasPoint> through) {
        state.dragChanged(from, from, frame);
        for (CanvasPoint p : through)
            state.dragChanged(from, p, frame);
        return state.dragEnded();
    }
    bool drag(CanvasPoint from, CanvasPoint to) { return drag(from, std::vector{to}); }

    Image original;
    MarkupEditorState state;
};

MarkupStyle styled(std::string tool, std::string color = "#34C759", int width = 2) {
    return {std::move(tool), std::move(color), width};
}

TEST(MarkupGeometryTest, FitsTheImageInsideTheCanvasAndCentresIt) {
    const struct {
        double width, height;
        PixelSize image;
        CanvasRect fitted;
    } cases[] = {
        {0, 300, {200, 100}, {}},
        {300, 0, {200, 100}, {}},
        {-5, 300, {200, 100}, {}},
        {400, 400, {200, 100}, {0, 100, 400, 200}},
        {400, 400, {100, 200}, {100, 0, 200, 400}},
        {400, 200, {200, 100}, {0, 0, 400, 200}},
        {300, 100, {200, 100}, {50, 0, 200, 100}},
        {300, 100, {200, 0}, {0, 49.25, 300, 1.5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarkupGeometry::fittedRect(c.width, c.height, c.image), c.fitted)
            << c.width << "x" << c.height << " image " << c.image.width << "x" << c.image.height;
}

TEST(MarkupGeometryTest, NormalisesAgainstTheFrameAndClampsToItsEdges) {
    const CanvasRect shown{50, 20, 200, 100};
    const struct {
        CanvasPoint at;
        AnnotationPoint point;
    } cases[] = {
        {{50, 20}, {0, 0}},     {{250, 120}, {1, 1}},  {{150, 70}, {0.5, 0.5}},
        {{-40, 70}, {0, 0.5}},  {{900, 70}, {1, 0.5}}, {{150, -3}, {0.5, 0}},
        {{150, 500}, {0.5, 1}}, {{-10, -10}, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarkupGeometry::normalized(c.at, shown), c.point) << c.at.x << "," << c.at.y;
}

TEST(MarkupGeometryTest, OutlinesFollowTheTool) {
    const struct {
        AnnotationTool tool;
        DraftOutline outline;
    } cases[] = {
        {AnnotationTool::pen, DraftOutline::polyline},
        {AnnotationTool::highlight, DraftOutline::polyline},
        {AnnotationTool::arrow, DraftOutline::line},
        {AnnotationTool::rectangle, DraftOutline::rectangle},
        {AnnotationTool::blur, DraftOutline::rectangle},
        {AnnotationTool::ellipse, DraftOutline::ellipse},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarkupGeometry::draftOutline(c.tool), c.outline) << rawValue(c.tool);
    EXPECT_EQ(MarkupGeometry::outlineWidth(0.005, frame), 5.0);
    EXPECT_EQ(MarkupGeometry::outlineWidth(0.0005, frame), 1.0);
    EXPECT_EQ(MarkupGeometry::spannedRect({0.5, 0.4}, {0.1, 0.8}, frame),
              (CanvasRect{100, 200, 400, 200}));
}

TEST(MarkupEditorStateTest, KeepsAShapeOnlyWhenItSpansMoreThanTheThreshold) {
    const struct {
        const char* tool;
        CanvasPoint from, to;
        bool kept;
    } cases[] = {
        {"rectangle", {0, 0}, {4, 0}, false},  // exactly 0.004 of the width
        {"rectangle", {0, 0}, {4.5, 0}, true}, // a little more
        {"rectangle", {0, 0}, {0, 2}, false},  // exactly 0.004 of the height
        {"rectangle", {0, 0}, {0, 2.5}, true},
        {"arrow", {300, 300}, {300, 300}, false},
        {"ellipse", {300, 300}, {301, 300}, false},
        {"highlight", {300, 300}, {302, 301}, false},
        {"blur", {300, 300}, {305, 300}, true},
        {"pen", {300, 300}, {300, 300}, true}, // a click with the pen is a dot
    };
    for (const auto& c : cases) {
        Editor editor(styled(c.tool));
        EXPECT_EQ(editor.drag(c.from, c.to), c.kept) << c.tool << " to " << c.to.x;
        EXPECT_EQ(editor.state.shapes().size(), c.kept ? 1u : 0u) << c.tool;
        EXPECT_EQ(editor.state.drag(), MarkupEditorState::Drag::idle);
    }
}

TEST(MarkupEditorStateTest, PenCollectsEveryPointOtherToolsTheFirstAndLast) {
    Editor pen(styled("pen"));
    pen.drag({100, 100}, {{200, 100}, {300, 150}, {2000, -80}});
    ASSERT_EQ(pen.state.shapes().size(), 1u);
    EXPECT_EQ(
        pen.state.shapes()[0].points,
        (std::vector<AnnotationPoint>{{0.1, 0.2}, {0.1, 0.2}, {0.2, 0.2}, {0.3, 0.3}, {1, 0}}));

    Editor box(styled("rectangle"));
    box.drag({100, 100}, {{200, 100}, {300, 150}, {-20, 600}});
    ASSERT_EQ(box.state.shapes().size(), 1u);
    EXPECT_EQ(box.state.shapes()[0].points, (std::vector<AnnotationPoint>{{0.1, 0.2}, {0, 1}}));
}

TEST(MarkupEditorStateTest, AShapeTakesTheStyleItsDragStartedWith) {
    Editor editor(styled("ellipse", "#0A84FF", 0));
    editor.state.dragChanged({100, 100}, {100, 100}, frame);
    ASSERT_EQ(editor.state.drag(), MarkupEditorState::Drag::drafting);
    editor.state.setTool(AnnotationTool::pen);
    editor.state.setColor("#FFFFFF");
    editor.state.setWidthIndex(2);
    editor.state.dragChanged({100, 100}, {400, 300}, frame);
    ASSERT_TRUE(editor.state.dragEnded());
    const AnnotationShape& shape = editor.state.shapes()[0];
    EXPECT_EQ(shape.tool, AnnotationTool::ellipse);
    EXPECT_EQ(shape.colorHex, "#0A84FF");
    EXPECT_EQ(shape.lineWidth, 0.0025);
    EXPECT_EQ(shape.id.size(), 36u);
    EXPECT_EQ(editor.state.style(), styled("pen", "#FFFFFF", 2));
}

TEST(MarkupEditorStateTest, StoredChoicesThatNameNothingFallBack) {
    const struct {
        MarkupStyle stored;
        AnnotationTool tool;
        std::string color;
        double width;
        bool controls;
    } cases[] = {
        {styled("pen", "#FF3B30", 1), AnnotationTool::pen, "#FF3B30", 0.005, true},
        {styled("lasso"), AnnotationTool::pen, "#34C759", 0.009, true},
        {styled("Arrow"), AnnotationTool::pen, "#34C759", 0.009, true},
        {styled("rectangle", "#123456", 7), AnnotationTool::rectangle, "#123456", 0.005, true},
        {styled("rectangle", "#123456", -1), AnnotationTool::rectangle, "#123456", 0.005, true},
        {styled("blur", "#FF3B30", 0), AnnotationTool::blur, "#000000", 0.0025, false},
    };
    for (const auto& c : cases) {
        Editor editor(c.stored);
        EXPECT_EQ(editor.state.styleControlsEnabled(), c.controls) << c.stored.toolRaw;
        ASSERT_TRUE(editor.drag({100, 100}, {300, 300})) << c.stored.toolRaw;
        const AnnotationShape& shape = editor.state.shapes()[0];
        EXPECT_EQ(shape.tool, c.tool) << c.stored.toolRaw;
        EXPECT_EQ(shape.colorHex, c.color) << c.stored.toolRaw;
        EXPECT_EQ(shape.lineWidth, c.width) << c.stored.toolRaw << " " << c.stored.widthIndex;
    }
}

TEST(MarkupEditorStateTest, UndoRedoAndClearWalkTheShapeLists) {
    // Each step: the action, then the number of shapes and whether undo and redo are possible.
    enum class Step { draw, undo, redo, clear };
    const struct {
        const char* name;
        std::vector<Step> steps;
        size_t shapes;
        bool canUndo, canRedo;
    } cases[] = {
        {"nothing yet", {}, 0, false, false},
        {"one shape", {Step::draw}, 1, true, false},
        {"undone", {Step::draw, Step::undo}, 0, false, true},
        {"redone", {Step::draw, Step::draw, Step::undo, Step::undo, Step::redo}, 1, true, true},
        {"undo after clear", {Step::draw, Step::draw, Step::clear, Step::undo}, 0, false, false},
        {"redo after clear", {Step::draw, Step::undo, Step::clear, Step::redo}, 0, false, false},
        {"new shape ends redo",
         {Step::draw, Step::draw, Step::undo, Step::undo, Step::draw, Step::redo},
         1,
         true,
         false},
        {"undo on empty", {Step::undo, Step::undo}, 0, false, false},
    };
    for (const auto& c : cases) {
        Editor editor(styled("rectangle"));
        double offset = 0;
        for (Step step : c.steps) {
            if (step == Step::draw)
                editor.drag({100 + offset, 100}, {300 + offset, 300});
            else if (step == Step::undo)
                editor.state.undo();
            else if (step == Step::redo)
                editor.state.redo();
            else
                editor.state.clear();
            offset += 10;
        }
        EXPECT_EQ(editor.state.shapes().size(), c.shapes) << c.name;
        EXPECT_EQ(editor.state.canUndo(), c.canUndo) << c.name;
        EXPECT_EQ(editor.state.canClear(), c.canUndo) << c.name;
        EXPECT_EQ(editor.state.canRedo(), c.canRedo) << c.name;
    }
}

TEST(MarkupEditorStateTest, StoredMarksOpenAsShapesAndUndoLastFirst) {
    const Annotation stored{
        {{"a", AnnotationTool::arrow, "#FF3B30", 0.005, {{0.1, 0.1}, {0.5, 0.5}}},
         {"b", AnnotationTool::blur, "#000000", 0.005, {{0.6, 0.6}, {0.9, 0.9}}}}};
    Editor editor({}, stored);
    EXPECT_EQ(editor.state.annotation(), stored);
    editor.state.undo();
    ASSERT_EQ(editor.state.shapes().size(), 1u);
    EXPECT_EQ(editor.state.shapes()[0].id, "a");
    editor.state.redo();
    EXPECT_EQ(editor.state.annotation(), stored);
}

TEST(MarkupEditorStateTest, ACanvasWithoutAreaIgnoresDrags) {
    Editor editor(styled("pen"));
    for (CanvasRect empty : {CanvasRect{0, 0, 0, 500}, CanvasRect{0, 0, 1000, 0}}) {
        editor.state.dragChanged({10, 10}, {10, 10}, empty);
        editor.state.dragChanged({10, 10}, {50, 50}, empty);
        EXPECT_EQ(editor.state.drag(), MarkupEditorState::Drag::idle);
        EXPECT_FALSE(editor.state.dragEnded());
    }
    EXPECT_TRUE(editor.state.shapes().empty());
}

TEST(MarkupEditorStateTest, ThePreviewIsTheReducedScreenshotWithTheCommittedShapes) {
    Editor editor(styled("rectangle"));
    ASSERT_TRUE(editor.state.preview());
    EXPECT_EQ(editor.state.preview()->size(), (PixelSize{1600, 800}));
    EXPECT_EQ(editor.state.originalSize(), (PixelSize{2000, 1000}));
    const auto untouched = editor.state.preview();

    // Nothing is drawn while dragging.
    editor.state.dragChanged({100, 100}, {100, 100}, frame);
    editor.state.dragChanged({100, 100}, {600, 400}, frame);
    EXPECT_EQ(editor.state.preview(), untouched);
    editor.state.dragEnded();
    editor.state.setTool(AnnotationTool::pen);
    editor.drag({700, 50}, {{800, 90}, {900, 60}});
    editor.state.setTool(AnnotationTool::blur);
    editor.drag({50, 300}, {400, 480});
    editor.state.setTool(AnnotationTool::highlight);
    editor.drag({20, 20}, {900, 30});
    ASSERT_NE(editor.state.preview(), untouched);

    // Drawn shape by shape, the preview equals one drawing of all of them.
    const auto working = editor.original.downscaled(MarkupEditorState::workingMaxEdge);
    const auto whole = AnnotationRenderer::render(editor.state.annotation(), *working);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(samePixels(*editor.state.preview(), *whole));
    EXPECT_FALSE(samePixels(*editor.state.preview(), *untouched));

    editor.state.clear();
    EXPECT_TRUE(samePixels(*editor.state.preview(), *untouched));
}

TEST(MarkupTextsTest, TheHintNamesTheCurrentTool) {
    const struct {
        const char* stored;
        const char* hint;
    } cases[] = {
        {"pen", "Drag to draw freehand."},
        {"arrow", "Drag to place a arrow."},
        {"rectangle", "Drag to place a box."},
        {"ellipse", "Drag to place a circle."},
        {"highlight", "Drag across text to highlight it."},
        {"blur", "Drag over anything you don't want an agent to see — it's pixelated for real, "
                 "not covered up."},
        {"marker", "Drag to draw freehand."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarkupTexts::hint(styled(c.stored).tool()), c.hint) << c.stored;
}

} // namespace
