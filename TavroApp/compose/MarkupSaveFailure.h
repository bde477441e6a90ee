#pragma once

#include <string>

namespace tavro {

// What the editor's alert row says when the marks could not be stored: what failed, in plain
// words, over the reason. The reason never names the library's files, whose names are ids.
struct MarkupSaveFailure {
    std::string summary;
    std::string detail;

    // From the failure's description as the facade answers it.
    static MarkupSaveFailure from(const std::string& description);

    bool operator==(const MarkupSaveFailure&) const = default;
};

} // namespace tavro
