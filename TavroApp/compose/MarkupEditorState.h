#pragma once

#include "compose/MarkupGeometry.h"
#include "compose/MarkupGestures.h"
#include "compose/MarkupStyle.h"
#include "model/Annotation.h"
#include "model/Image.h"

#include <memory>
#include <optional>
#include <vector>

namespace tavro {

// What the mark-up editor holds while it is open: the committed shapes and the redo history,
// the drag in progress, the drawing choices, and the preview of the working image with the
// committed shapes drawn in. Plain state, driven by the view and by tests alike.
class MarkupEditorState {
public:
    enum class Drag { idle, drafting };

    // The working image's longer edge: the preview is drawn at this size, never at full size.
    static constexpr int workingMaxEdge = 1600;

    // Starts with the stored marks and a first preview. `original` is only reduced, not kept.
    MarkupEditorState(const Image& original, const Annotation& initial, MarkupStyle style);
    MarkupEditorState(const MarkupEditorState&) = delete;
    MarkupEditorState& operator=(const MarkupEditorState&) = delete;

    PixelSize originalSize() const { return originalSize_; }
    const std::vector<AnnotationShape>& shapes() const { return shapes_; }
    // The committed shapes, as Save hands them over; a drag in progress is not among them.
    Annotation annotation() const { return Annotation{shapes_}; }
    // Shared so that a view can show the pixels without copying them while it paints.
    const std::shared_ptr<const Image>& preview() const { return preview_; }

    const MarkupStyle& style() const { return style_; }
    void setTool(AnnotationTool tool);
    void setColor(std::string colorHex);
    void setWidthIndex(int index);
    // Colour and width mean nothing to the blur.
    bool styleControlsEnabled() const { return style_.tool() != AnnotationTool::blur; }

    Drag drag() const { return draft_ ? Drag::drafting : Drag::idle; }
    const AnnotationShape* draft() const { return draft_ ? &draft_->shape() : nullptr; }
    // A drag from `start` now at `current`, both in canvas coordinates, over an image shown in
    // `frame`. The first call starts the shape; a frame without area ignores the drag.
    void dragChanged(CanvasPoint start, CanvasPoint current, const CanvasRect& frame);
    // Commits the shape when it is big enough, else drops it. Answers whether it was kept.
    bool dragEnded();

    bool canUndo() const { return !shapes_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    bool canClear() const { return !shapes_.empty(); }
    void undo();
    void redo();
    // Cannot be undone.
    void clear();

private:
    void commit(AnnotationShape shape);
    void refreshPreview();

    PixelSize originalSize_;
    std::shared_ptr<const Image> working_;
    std::shared_ptr<const Image> preview_;
    MarkupStyle style_;
    std::vector<AnnotationShape> shapes_;
    // Whole shape lists as they were before each undo, the latest last.
    std::vector<std::vector<AnnotationShape>> redo_;
    std::unique_ptr<ShapeGesture> draft_;
};

} // namespace tavro
