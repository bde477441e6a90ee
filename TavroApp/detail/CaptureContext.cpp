#include "detail/CaptureContext.h"

#include "detail/ContextLink.h"
#include "model/BoardEnums.h"

namespace tavro {

std::string contextTitle(const Capture& capture) {
    return capture.hasImage() ? "Captured in" : "Filed from";
}

std::vector<CaptureContextRow> contextRows(const Capture& capture) {
    std::vector<CaptureContextRow> rows;
    rows.push_back({"App", capture.appName.value_or("Unknown")});
    if (auto title = capture.distinctWindowTitle())
        rows.push_back({"Window", *title});
    if (capture.url && !capture.url->empty())
        rows.push_back({"URL", *capture.url, openableLink(*capture.url)});
    if (capture.displayName)
        rows.push_back({"Display", *capture.displayName});
    if (capture.hasImage())
        rows.push_back({"Size", std::to_string(capture.imageWidth) + " \xC3\x97 " +
                                    std::to_string(capture.imageHeight) + " px"});
    rows.push_back({"Mode", std::string(displayName(capture.captureMode))});
    return rows;
}

} // namespace tavro
