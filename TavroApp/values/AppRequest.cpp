#include "values/AppRequest.h"

#include <array>
#include <utility>

namespace tavro {

namespace {

constexpr std::array<std::pair<AppRequest::Kind, std::string_view>, 4> arguments{{
    {AppRequest::Kind::reopen, ""},
    {AppRequest::Kind::captureRegion, "--capture-region"},
    {AppRequest::Kind::captureFullScreen, "--capture-fullscreen"},
    {AppRequest::Kind::newIssue, "--new-issue"},
}};

} // namespace

std::optional<AppRequest::Kind> requestKindFromArgument(std::string_view argument) {
    for (const auto& [kind, text] : arguments)
        if (text == argument)
            return kind;
    return std::nullopt;
}

std::string_view argumentFor(AppRequest::Kind kind) {
    for (const auto& [candidate, text] : arguments)
        if (candidate == kind)
            return text;
    return {};
}

} // namespace tavro
