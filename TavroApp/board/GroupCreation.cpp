#include "board/GroupCreation.h"

#include "shell/Library.h"

namespace tavro {

GroupCreationResult createGroup(Library& library, const NewGroupDraft& draft, Seconds time) {
    if (!draft.canCreate())
        return {};
    const CaptureGroup group = draft.makeGroup(time);
    if (auto created = library.createGroup(group.name, group.colorHex, group.path); !created)
        return {GroupCreation::failed, created.error()};
    return {GroupCreation::written, {}};
}

} // namespace tavro
