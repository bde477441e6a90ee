#include "desktop/ContextCollector.h"

#include "model/Text.h"

#include <array>

namespace tavro {

namespace {

// The desktop-entry ids the common browsers install under.
constexpr std::array<std::string_view, 10> knownBrowsers{
    "google-chrome",  "google-chrome-beta", "google-chrome-unstable",
    "chromium",       "brave-browser",      "microsoft-edge",
    "vivaldi-stable", "firefox-esr",        "firefox",
    "opera",
};

} // namespace

bool DesktopContextCollector::isKnownBrowser(std::string_view bundleID) {
    for (std::string_view known : knownBrowsers)
        if (known == bundleID)
            return true;
    return false;
}

CaptureContext DesktopContextCollector::snapshot(bool collectURL) {
    CaptureContext context;
    const auto app = desktop_.frontmostApplication();
    if (!app)
        return context;
    context.appName = app->name;
    context.appBundleID = app->bundleID;
    context.windowTitle = app->windowTitle;
    context.displayName = desktop_.displayUnderCursor();
    if (collectURL && app->bundleID && isKnownBrowser(*app->bundleID))
        if (auto url = desktop_.browserURL(*app->bundleID))
            context.url = nilIfBlank(text::trimmed(*url, text::Whitespace::AndNewlines));
    return context;
}

} // namespace tavro
