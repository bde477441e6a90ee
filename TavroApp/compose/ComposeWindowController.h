#pragma once

#include "model/CaptureGroup.h"
#include "values/PendingCapture.h"
#include "values/WriteResult.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// What the note box reports. The box is closed before every callback but onCreateGroup runs.
struct ComposeCallbacks {
    // The note trimmed, the tags split, trimmed and lower-cased.
    std::function<void(const std::string& note, CapturePriority priority,
                       const std::optional<std::string>& groupID,
                       const std::vector<std::string>& tags)>
        onSave;
    std::function<void()> onDiscard;
    std::function<void(const ComposeDraft& draft)> onAddScreenshot;
    std::function<void(const PendingImage& image, const ComposeDraft& draft)> onAnnotate;
    // Creates the group and answers, at once or later, with the group to select or why none
    // could be made (for the box to show); the box stays open meanwhile.
    using GroupAnswer = std::function<void(const WriteResult<CaptureGroup>& created)>;
    std::function<void(const std::string& name, GroupAnswer answer)> onCreateGroup;
};

// Owns the floating note box of the capture flow; at most one is open.
class ComposeWindowController {
public:
    virtual ~ComposeWindowController() = default;

    // Closes an open box, then opens one for `pending`, restoring its draft.
    virtual void present(const PendingCapture& pending, const std::vector<CaptureGroup>& groups,
                         ComposeCallbacks callbacks) = 0;
    // Closes the box without calling anything.
    virtual void dismiss() = 0;
    virtual bool hasPanel() const = 0;
    // What the open box holds as typed, for keeping it when the app ends; none without a box.
    virtual std::optional<ComposeDraft> openDraft() const = 0;
};

} // namespace tavro
