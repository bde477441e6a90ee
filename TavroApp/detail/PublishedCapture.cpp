#include "detail/PublishedCapture.h"

#include "shell/Library.h"

namespace tavro {

const Capture* publishedCapture(const Library& library, const std::string& captureID) {
    return library.capture(captureID);
}

} // namespace tavro
