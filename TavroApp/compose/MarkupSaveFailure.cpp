#include "compose/MarkupSaveFailure.h"

#include "compose/MarkupTexts.h"
#include "library/FailureText.h"

#include <string_view>

namespace tavro {

namespace {

// How a screenshot's failed write describes itself, and how a file write that failed begins:
// "Could not write <file name>: <the system's reason>".
constexpr std::string_view screenshotPrefix = "Couldn't save the screenshot: ";
constexpr std::string_view fileWritePrefix = "Could not write ";

std::string sentence(std::string_view text) {
    std::string out(text);
    if (out.empty())
        return out;
    if (out.front() >= 'a' && out.front() <= 'z')
        out.front() = char(out.front() - 'a' + 'A');
    if (out.back() != '.')
        out += '.';
    return out;
}

} // namespace

MarkupSaveFailure MarkupSaveFailure::from(const std::string& description) {
    MarkupSaveFailure failure;
    failure.summary = std::string(MarkupTexts::saveFailed);
    std::string_view reason = description;
    if (reason.starts_with(screenshotPrefix))
        reason.remove_prefix(screenshotPrefix.size());
    if (reason.starts_with(fileWritePrefix)) {
        const auto colon = reason.find(": ", fileWritePrefix.size());
        std::string detail(MarkupTexts::markedCopyUnwritten);
        if (colon != std::string_view::npos)
            detail += ": " + std::string(reason.substr(colon + 2));
        failure.detail = sentence(detail);
        return failure;
    }
    if (reason.size() != description.size()) {
        failure.detail = sentence(reason);
        return failure;
    }
    failure.detail = sentence(userFacingFailure(description));
    return failure;
}

} // namespace tavro
