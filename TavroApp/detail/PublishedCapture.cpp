#include "detail/PublishedCapture.h"

#include "shell/Library.h"

#include <algorithm>

namespace tavro {

const Capture* publishedCapture(const Library& library, const std::string& captureID) {
    const auto& captures = library.captures();
    const auto found = std::find_if(captures.begin(), captures.end(),
                                    [&](const Capture& c) { return c.id == captureID; });
    return found == captures.end() ? nullptr : &*found;
}

} // namespace tavro
