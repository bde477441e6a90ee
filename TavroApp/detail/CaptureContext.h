#pragma once

#include "model/Capture.h"

#include <QUrl>

#include <optional>
#include <string>
#include <vector>

namespace tavro {

// One row of the detail pane's context section: where the capture was taken.
struct CaptureContextRow {
    std::string label;
    std::string value;
    // Set when the value is a link the user may open (see openableLink).
    std::optional<QUrl> link;

    bool operator==(const CaptureContextRow&) const = default;
};

// "Captured in" for a screenshot, "Filed from" for a text-only issue.
std::string contextTitle(const Capture& capture);
// App, Window, URL, Display, Size and Mode, each only when the capture has it.
std::vector<CaptureContextRow> contextRows(const Capture& capture);

} // namespace tavro
