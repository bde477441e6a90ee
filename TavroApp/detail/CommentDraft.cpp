#include "detail/CommentDraft.h"

#include "library/Library.h"
#include "model/Text.h"

namespace tavro {

bool CommentDraft::canPost() const {
    return !text::isBlank(text_, text::Whitespace::Horizontal);
}

PendingWrite<bool> CommentDraft::post(Library& library, const std::string& captureID) {
    const std::string body = text::trimmed(text_);
    if (body.empty())
        return PendingWrite<bool>::answered(WriteResult<bool>::success(false));
    auto [pending, answer] = PendingWrite<bool>::make();
    library.addComment(body, captureID)
        .then(&answers_,
              [this, posted = text_, answer = std::move(answer)](const WriteResult<>& stored) {
                  if (!stored) {
                      answer(WriteResult<bool>::failure(stored.error()));
                      return;
                  }
                  if (text_ == posted)
                      text_.clear();
                  answer(WriteResult<bool>::success(true));
              });
    return std::move(pending);
}

} // namespace tavro
