#include "board/GroupCreation.h"

#include "library/Library.h"

namespace tavro {

void createGroup(Library& library, const NewGroupDraft& draft, const QObject* context,
                 std::function<void(const GroupCreationResult&)> done) {
    if (!draft.canCreate()) {
        done({});
        return;
    }
    library.createGroup(draft.trimmedName(), draft.colorHex, draft.boundFolder())
        .then(context, [done = std::move(done)](const WriteResult<CaptureGroup>& created) {
            if (!created)
                done({GroupCreation::failed, created.error()});
            else
                done({GroupCreation::written, {}});
        });
}

} // namespace tavro
