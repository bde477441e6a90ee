#include "library/CaptureEdits.h"

#include "model/FieldCount.h"

namespace tavro {

static_assert(aggregateFieldCount<Capture>() == 33,
              "decide whether an edit may change the new Capture field");

Capture mergeCaptureEdits(const Capture& shown, const Capture& edited, const Capture& current) {
    Capture result = current;
    auto take = [&](auto field) {
        if (edited.*field != shown.*field)
            result.*field = edited.*field;
    };
    take(&Capture::note);
    take(&Capture::status);
    take(&Capture::priority);
    take(&Capture::groupID);
    take(&Capture::imagePath);
    take(&Capture::thumbPath);
    take(&Capture::imageWidth);
    take(&Capture::imageHeight);
    take(&Capture::imageBytes);
    take(&Capture::captureMode);
    take(&Capture::appName);
    take(&Capture::appBundleID);
    take(&Capture::windowTitle);
    take(&Capture::url);
    take(&Capture::displayName);
    take(&Capture::displayScale);
    take(&Capture::claimedBy);
    take(&Capture::claimedAt);
    take(&Capture::resolvedAt);
    take(&Capture::resolutionRef);
    take(&Capture::deletedAt);
    take(&Capture::workspaceID);
    take(&Capture::authorID);
    take(&Capture::assigneeID);
    take(&Capture::claimedByID);
    take(&Capture::localOnly);
    // Identity, creation and the sync bookkeeping are never the view's to change.
    return result;
}

} // namespace tavro
