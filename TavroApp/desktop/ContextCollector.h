#pragma once

#include "values/CaptureContext.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// The frontmost application as the desktop names it, with the title of its front window.
struct FrontApplication {
    std::int64_t pid = 0;
    std::optional<std::string> name;
    std::optional<std::string> bundleID;
    std::optional<std::string> windowTitle;

    bool operator==(const FrontApplication&) const = default;
};

// The desktop's answers the snapshot is made of; each look-up is best effort.
class DesktopLookup {
public:
    virtual ~DesktopLookup() = default;
    virtual std::optional<FrontApplication> frontmostApplication() = 0;
    virtual std::optional<std::string> displayUnderCursor() = 0;
    virtual std::optional<std::string> browserURL(std::string_view bundleID) = 0;
};

// Records where the user is: the frontmost application, its front window's title, the display
// under the pointer and, when allowed, a known browser's page address. Never fails.
class ContextCollector {
public:
    virtual ~ContextCollector() = default;
    virtual CaptureContext snapshot(bool collectURL) = 0;
};

class DesktopContextCollector final : public ContextCollector {
public:
    explicit DesktopContextCollector(DesktopLookup& desktop)
        : desktop_(desktop) {}
    CaptureContext snapshot(bool collectURL) override;

    // Desktop-entry ids of the browsers whose page address may be asked for.
    static bool isKnownBrowser(std::string_view bundleID);

private:
    DesktopLookup& desktop_;
};

} // namespace tavro
