#pragma once

#include "model/BoardRecords.h"
#include "ui/Icons.h"

#include <QString>

namespace tavro {

// What the head of a comment card says about who wrote it.
struct CommentHeader {
    // A branch for a kept conflicting edit, sparkles for an agent, a person otherwise.
    Icon symbol = Icon::personFill;
    // The agent's tint for the symbol, the author and the card; set by who wrote it alone.
    bool agentTinted = false;
    QString author;

    bool operator==(const CommentHeader&) const = default;
};

CommentHeader commentHeader(const Comment& comment);

} // namespace tavro
