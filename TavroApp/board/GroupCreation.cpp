#include "board/GroupCreation.h"

#include "shell/Library.h"

namespace tavro {

GroupCreationResult createGroup(Library& library, const NewGroupDraft& draft) {
    if (!draft.canCreate())
        return {};
    if (auto created =
            library.createGroup(draft.trimmedName(), draft.colorHex, draft.boundFolder());
        !created)
        return {GroupCreation::failed, created.error()};
    return {GroupCreation::written, {}};
}

} // namespace tavro
