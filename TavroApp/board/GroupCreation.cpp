#include "board/GroupCreation.h"

#include "account/LocalChangeNotice.h"
#include "shell/Library.h"
#include "store/CaptureStore.h"

#include <exception>

namespace tavro {

GroupCreationResult createGroup(Library& library, const NewGroupDraft& draft, Seconds time) {
    if (!draft.canCreate())
        return {};
    try {
        library.store().upsertGroup(draft.makeGroup(time));
    } catch (const std::exception& error) {
        return {GroupCreation::failed, error.what()};
    }
    library.reload();
    if (LocalChangeNotice* notice = library.account())
        notice->noteLocalChange();
    return {GroupCreation::written, {}};
}

} // namespace tavro
