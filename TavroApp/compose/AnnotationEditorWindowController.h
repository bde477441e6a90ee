#pragma once

#include "model/Annotation.h"
#include "model/CaptureImage.h"
#include "values/WriteResult.h"

#include <functional>

namespace tavro {

// Owns the one mark-up editor window of its owner.
class AnnotationEditorWindowController {
public:
    // Tells the editor how storing the marks came out: it closes on success, and otherwise
    // stays open with its marks and shows the reason.
    using SaveAnswer = std::function<void(const WriteResult<>& result)>;
    // Stores the marks, then answers, at once or later.
    using SaveHandler = std::function<void(const Annotation& annotation, SaveAnswer answer)>;
    // The editor closed without a save: cancelled, closed, or its screenshot could not be read.
    using EndHandler = std::function<void()>;

    virtual ~AnnotationEditorWindowController() = default;

    // Closes an open editor, then opens one on the screenshot's original with its mark-up.
    virtual void present(const CaptureImage& image, SaveHandler onSave, EndHandler onEnd = {}) = 0;
    virtual bool hasWindow() const = 0;
};

} // namespace tavro
