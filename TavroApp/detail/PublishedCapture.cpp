#include "detail/PublishedCapture.h"

#include "shell/Library.h"

namespace tavro {

std::optional<Capture> publishedCapture(const Library& library, const std::string& captureID) {
    return library.capture(captureID);
}

} // namespace tavro
