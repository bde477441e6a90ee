#include "compose/MarkupEditorState.h"

#include "model/AnnotationRenderer.h"
#include "model/Uuid.h"

namespace tavro {

namespace {

std::shared_ptr<const Image> workingCopy(const Image& original) {
    if (auto reduced = original.downscaled(MarkupEditorState::workingMaxEdge))
        return std::make_shared<const Image>(std::move(*reduced));
    if (auto same = original.copy())
        return std::make_shared<const Image>(std::move(*same));
    return nullptr;
}

} // namespace

MarkupEditorState::MarkupEditorState(const Image& original, const Annotation& initial,
                                     MarkupStyle style)
    : originalSize_(original.size())
    , working_(workingCopy(original))
    , style_(std::move(style))
    , shapes_(initial.shapes) {
    style_.widthIndex = style_.effectiveWidthIndex();
    refreshPreview();
}

void MarkupEditorState::setTool(AnnotationTool tool) {
    style_.toolRaw = std::string(rawValue(tool));
}

void MarkupEditorState::setColor(std::string colorHex) {
    style_.colorHex = std::move(colorHex);
}

void MarkupEditorState::setWidthIndex(int index) {
    style_.widthIndex = index;
    style_.widthIndex = style_.effectiveWidthIndex();
}

void MarkupEditorState::dragChanged(CanvasPoint start, CanvasPoint current,
                                    const CanvasRect& frame) {
    if (frame.isEmpty())
        return;
    const AnnotationPoint point = MarkupGeometry::normalized(current, frame);
    if (draft_)
        draft_->moveTo(point);
    else
        draft_ = beginGesture(style_, makeUUID(), MarkupGeometry::normalized(start, frame), point);
}

bool MarkupEditorState::dragEnded() {
    if (!draft_)
        return false;
    const auto shape = draft_->finish();
    draft_.reset();
    if (!shape)
        return false;
    commit(*shape);
    return true;
}

void MarkupEditorState::undo() {
    if (shapes_.empty())
        return;
    redo_.push_back(shapes_);
    shapes_.pop_back();
    refreshPreview();
}

void MarkupEditorState::redo() {
    if (redo_.empty())
        return;
    shapes_ = std::move(redo_.back());
    redo_.pop_back();
    refreshPreview();
}

void MarkupEditorState::clear() {
    shapes_.clear();
    redo_.clear();
    refreshPreview();
}

void MarkupEditorState::commit(AnnotationShape shape) {
    shapes_.push_back(std::move(shape));
    redo_.clear();
    // A new stroke lies on top of everything before it, so it can be drawn over the previous
    // preview; a blur is pixelated beneath every stroke, so it needs the whole picture again.
    if (preview_ && shapes_.back().tool != AnnotationTool::blur) {
        if (auto drawn = AnnotationRenderer::render(Annotation{{shapes_.back()}}, *preview_)) {
            preview_ = std::make_shared<const Image>(std::move(*drawn));
            return;
        }
    }
    refreshPreview();
}

void MarkupEditorState::refreshPreview() {
    if (!working_)
        return;
    if (auto drawn = AnnotationRenderer::render(annotation(), *working_))
        preview_ = std::make_shared<const Image>(std::move(*drawn));
    else
        preview_ = working_;
}

} // namespace tavro
