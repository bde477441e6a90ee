#pragma once

#include "board/EmptyStateContent.h"

#include <QWidget>

class QLabel;

namespace tavro {

class KeyHint;

// Fills the board when nothing is shown: a symbol, a title and a message chosen by the filter
// or the search, and on the empty inbox the capture shortcut.
class EmptyStateView final : public QWidget {
    Q_OBJECT

public:
    explicit EmptyStateView(QWidget* parent = nullptr);

    // `shortcut` is the region shortcut's display text.
    void present(const LibraryFilter& filter, bool isSearching, const QString& shortcut);
    const EmptyStateContent& content() const { return content_; }
    bool showsShortcutHint() const;
    QLabel* messageLabel() const { return message_; }

private:
    EmptyStateContent content_;
    QWidget* symbol_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
    QWidget* hint_ = nullptr;
    QWidget* hintKeys_ = nullptr;
    QWidget* hintRow_ = nullptr;
};

} // namespace tavro
