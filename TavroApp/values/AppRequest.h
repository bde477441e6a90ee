#pragma once

#include <optional>
#include <string_view>

namespace tavro {

// One value for every way into the app: global shortcuts, menu items, onboarding, the command
// line and a second start handing over to the running app all build one of these and give it
// to AppDelegate::handle.
struct AppRequest {
    enum class Kind { reopen, captureRegion, captureFullScreen, newIssue };
    enum class Source { shortcut, menu, commandLine, onboarding };

    Kind kind = Kind::reopen;
    Source source = Source::menu;

    bool operator==(const AppRequest&) const = default;

    // A full-screen request waits for a second press unless it came from a menu.
    bool awaitsSecondPress() const { return source != Source::menu; }
};

// "--capture-region", "--capture-fullscreen", "--new-issue"; no argument is a reopen.
std::optional<AppRequest::Kind> requestKindFromArgument(std::string_view argument);
std::string_view argumentFor(AppRequest::Kind kind);

} // namespace tavro
