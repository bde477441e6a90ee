#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// Where the user was when a capture began.
struct CaptureContext {
    std::optional<std::string> appName;
    std::optional<std::string> appBundleID;
    std::optional<std::string> windowTitle;
    std::optional<std::string> url;
    std::optional<std::string> displayName;
    double displayScale = 0; // set by the screenshot, 0 until then

    bool operator==(const CaptureContext&) const = default;
};

// Absent when the text is empty after trimming white space and line breaks; otherwise the text
// itself, untrimmed.
std::optional<std::string> nilIfBlank(std::string_view text);

} // namespace tavro
