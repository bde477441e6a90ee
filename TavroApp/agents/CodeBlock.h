#pragma once

#include <QWidget>

class QLabel;

namespace tavro {

class IconButton;

// Text to paste by hand, selectable, in a small framed block with a copy button.
class CodeBlock final : public QWidget {
    Q_OBJECT

public:
    explicit CodeBlock(const QString& text, QWidget* parent = nullptr);
    QString text() const;
    void setText(const QString& text);
    // The copy button shows a check mark while the text was just copied.
    void setCopied(bool copied);
    bool showsCopied() const;
    IconButton* copyButton() const { return copy_; }

signals:
    void copyRequested(const QString& text);

private:
    QLabel* text_ = nullptr;
    IconButton* copy_ = nullptr;
};

} // namespace tavro
