#include "board/NewGroupDraft.h"

#include "model/Text.h"
#include "model/Uuid.h"

namespace tavro {

std::string NewGroupDraft::trimmedName() const {
    return text::trimmed(name, text::Whitespace::Horizontal);
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

CaptureGroup NewGroupDraft::makeGroup(Seconds time) const {
    CaptureGroup group;
    group.id = makeUUID();
    group.name = trimmedName();
    group.colorHex = colorHex;
    if (std::string folder = text::trimmed(path, text::Whitespace::Horizontal);
        !text::isBlank(folder))
        group.path = std::move(folder);
    group.createdAt = group.updatedAt = time;
    group.syncState = SyncState::local;
    group.visibility = GroupVisibility::privateGroup;
    return group;
}

} // namespace tavro
