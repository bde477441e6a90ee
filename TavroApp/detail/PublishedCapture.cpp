#include "detail/PublishedCapture.h"

#include "library/Library.h"

namespace tavro {

std::optional<Capture> publishedCapture(const Library& library, const std::string& captureID) {
    return library.capture(captureID);
}

} // namespace tavro
