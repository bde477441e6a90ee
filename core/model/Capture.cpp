#include "model/Capture.h"

#include "model/Paths.h"
#include "model/Text.h"

namespace tavro {

namespace {

// The first line break of a note: a line feed, with a carriage return before it taken as part
// of the same break. Returns the end of the first line and the start of the rest.
std::optional<std::pair<size_t, size_t>> firstLineBreak(const std::string& note) {
    auto feed = note.find('\n');
    if (feed == std::string::npos)
        return std::nullopt;
    size_t lineEnd = (feed > 0 && note[feed - 1] == '\r') ? feed - 1 : feed;
    return std::pair{lineEnd, feed + 1};
}

} // namespace

std::optional<std::filesystem::path> Capture::imageFilePath() const {
    return TavroPaths::imageFilePath(imagePath);
}

std::optional<std::filesystem::path> Capture::thumbFilePath() const {
    if (!thumbPath)
        return std::nullopt;
    return TavroPaths::thumbFilePath(*thumbPath);
}

std::string Capture::shortID() const {
    return id.size() <= 8 ? id : id.substr(id.size() - 8);
}

std::string Capture::title() const {
    return captureTitle(note, hasImage(), appName ? &*appName : nullptr);
}

std::string Capture::noteBody() const {
    return tavro::noteBody(note);
}

std::string captureTitle(const std::string& note, bool hasImage, const std::string* appName) {
    auto split = firstLineBreak(note);
    auto firstLine = split ? note.substr(0, split->first) : note;
    auto trimmed = text::trimmed(firstLine, text::Whitespace::Horizontal);
    if (!trimmed.empty())
        return trimmed;
    std::string untitled = hasImage ? "Untitled capture" : "Untitled issue";
    if (appName)
        untitled += " in " + text::singleLine(*appName);
    return untitled;
}

std::string noteBody(const std::string& note) {
    auto split = firstLineBreak(note);
    if (!split)
        return {};
    return text::trimmed(std::string_view(note).substr(split->second),
                         text::Whitespace::AndNewlines);
}

std::optional<std::string> Capture::distinctWindowTitle() const {
    return tavro::distinctWindowTitle(windowTitle, appName);
}

std::optional<std::string> distinctWindowTitle(const std::optional<std::string>& windowTitle,
                                               const std::optional<std::string>& appName) {
    if (!windowTitle)
        return std::nullopt;
    std::string title = text::trimmed(*windowTitle);
    if (title.empty() || text::lowercased(title) == text::lowercased(appName.value_or("")))
        return std::nullopt;
    return title;
}

} // namespace tavro
