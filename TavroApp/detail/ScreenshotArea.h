#pragma once

#include <QSizeF>
#include <QString>
#include <QWidget>

#include <optional>
#include <string>

class QAbstractButton;
class QScrollArea;
class QStackedLayout;

namespace tavro {

class CaptureImageView;
class ThumbnailLoader;

// The detail pane's picture: the shown screenshot fitted into the area (a click, or the button
// over it, asks for the mark-up editor) or at actual size in a scroll view, or for a note-only
// capture the invitation to add a screenshot.
class ScreenshotArea final : public QWidget {
    Q_OBJECT

public:
    struct Shown {
        // Empty when no file can be named: the image view shows its missing state.
        QString path;
        // Changes when the file at the same path was written again.
        std::string revision;
        bool actualSize = false;
        // At actual size: the image in logical pixels.
        QSizeF actualFrame;
        // The button over the fitted image; none hides it.
        std::optional<std::string> markupLabel;
    };

    ScreenshotArea(ThumbnailLoader& loader, QWidget* parent = nullptr);

    void showScreenshot(const Shown& shown);
    void showNoScreenshot();

    bool showsNoScreenshot() const;
    bool showsActualSize() const;
    CaptureImageView* imageView() const { return fitImage_; }
    CaptureImageView* actualSizeImageView() const { return actualImage_; }
    QScrollArea* scrollArea() const { return scroll_; }
    QAbstractButton* markupButton() const { return markup_; }
    QAbstractButton* addScreenshotButton() const { return add_; }
    // Where the fitted image lies, in this widget's coordinates.
    QRect fittedImageRect() const;

signals:
    void markupRequested();
    void addScreenshotRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makePlaceholder();

    QStackedLayout* pages_ = nullptr;
    QWidget* placeholder_ = nullptr;
    QWidget* fitPage_ = nullptr;
    CaptureImageView* fitImage_ = nullptr;
    QAbstractButton* markup_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    CaptureImageView* actualImage_ = nullptr;
    QAbstractButton* add_ = nullptr;
    // What each image view was last given.
    std::string fitRevision_;
    std::string actualRevision_;
};

} // namespace tavro
