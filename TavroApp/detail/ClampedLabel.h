#pragma once

#include <QLabel>
#include <QUrl>

#include <optional>

namespace tavro {

// A label of at most a few lines that gives up its end or its middle when its text needs more.
// Plain text stays selectable; a link opens only the address it was given, whatever it shows.
class ClampedLabel final : public QLabel {
    Q_OBJECT

public:
    ClampedLabel(int maxLines, Qt::TextElideMode mode, QWidget* parent = nullptr);

    void setFullText(const QString& text, const std::optional<QUrl>& link = std::nullopt);
    const QString& fullText() const { return fullText_; }
    const std::optional<QUrl>& link() const { return link_; }
    // The lines shown at the current width.
    const QStringList& shownLines() const { return lines_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QStringList linesAt(int width) const;
    void relayout();

    int maxLines_;
    Qt::TextElideMode mode_;
    QString fullText_;
    std::optional<QUrl> link_;
    QStringList lines_;
};

} // namespace tavro
