#include "detail/CommentDraft.h"

#include "model/Text.h"
#include "shell/Library.h"

namespace tavro {

bool CommentDraft::canPost() const {
    return !text::isBlank(text_, text::Whitespace::Horizontal);
}

WriteResult<bool> CommentDraft::post(Library& library, const std::string& captureID) {
    const std::string body = text::trimmed(text_);
    if (body.empty())
        return WriteResult<bool>::success(false);
    const WriteResult<> stored = library.addComment(body, captureID);
    if (!stored)
        return WriteResult<bool>::failure(stored.error());
    text_.clear();
    return WriteResult<bool>::success(true);
}

} // namespace tavro
