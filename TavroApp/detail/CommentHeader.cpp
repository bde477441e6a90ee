#include "detail/CommentHeader.h"

#include "detail/PaneTexts.h"
#include "values/Utf8.h"

namespace tavro {

CommentHeader commentHeader(const Comment& comment) {
    CommentHeader header;
    header.agentTinted = comment.isAgent;
    header.symbol = comment.isConflict() ? Icon::arrowTriangleBranch
                    : comment.isAgent    ? Icon::sparkles
                                         : Icon::personFill;
    header.author = toQString(comment.author);
    if (comment.isConflict())
        header.author += toQString(PaneTexts::conflictSuffix);
    return header;
}

} // namespace tavro
