#include "board/NewGroupDraft.h"

#include "model/Text.h"

namespace tavro {

std::string NewGroupDraft::trimmedName() const {
    // A name pasted with line breaks is shown on one line everywhere, so it is stored on one.
    return text::trimmed(text::singleLine(name), text::Whitespace::Horizontal);
}

void NewGroupDraft::chooseFolder(const std::string& folder) {
    path = folder;
    if (!name.empty())
        return;
    std::string_view rest = folder;
    while (rest.size() > 1 && rest.back() == '/')
        rest.remove_suffix(1);
    const auto slash = rest.rfind('/');
    name = std::string(
        slash == std::string_view::npos || rest.size() == 1 ? rest : rest.substr(slash + 1));
}

std::optional<std::string> NewGroupDraft::boundFolder() const {
    std::string folder = text::trimmed(path, text::Whitespace::Horizontal);
    if (text::isBlank(folder))
        return std::nullopt;
    return folder;
}

} // namespace tavro
