#pragma once

#include "values/PendingWrite.h"

#include <QObject>

#include <string>

namespace tavro {

class Library;

// The detail pane's comment field. The text stays until the comment is stored: a failed post
// must not throw away what the user wrote.
class CommentDraft {
public:
    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }

    // Whether "Post" is enabled: something besides spaces and tabs.
    bool canPost() const;
    // Stores the text trimmed of white space and line breaks, then, once it has committed,
    // empties the field unless it was edited meanwhile. Its value: whether there was anything
    // to post. On failure the field keeps its text.
    [[nodiscard]] PendingWrite<bool> post(Library& library, const std::string& captureID);

private:
    std::string text_;
    // Answers reach this object only while it lives.
    QObject answers_;
};

} // namespace tavro
