#pragma once

#include "values/PendingCapture.h"

#include <QAbstractButton>
#include <QImage>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace tavro {

class CaptureImageView;
class ThumbnailLoader;

// Shown instead of a preview when the capture has no screenshot.
class TextOnlyHeader final : public QWidget {
    Q_OBJECT

public:
    explicit TextOnlyHeader(std::function<void()> onAddScreenshot, QWidget* parent = nullptr);

    QAbstractButton* addButton() const { return add_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAbstractButton* add_ = nullptr;
};

// The large picture of the selected screenshot with its size badge and mark-up hint; a click
// anywhere on it asks for the mark-up.
class PreviewArea final : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int height = 200;

    explicit PreviewArea(ThumbnailLoader& loader, QWidget* parent = nullptr);

    void setImage(const PendingImage& image);
    // "1280 × 720".
    static QString sizeText(const ImageWriter::Written& written);
    const QString& shownPath() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CaptureImageView* image_ = nullptr;
    QWidget* marks_ = nullptr;
};

// One screenshot in the strip below the preview.
class StripTile final : public QAbstractButton {
    Q_OBJECT

public:
    StripTile(ThumbnailLoader& loader, const PendingImage& image, QWidget* parent = nullptr);

    const std::string& imageID() const { return imageID_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool hasMarks() const { return marked_; }
    // Its file has been read, or found missing.
    bool isLoaded() const { return loaded_; }
    QSize sizeHint() const override { return QSize(66, 44); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string imageID_;
    QImage picture_;
    bool loaded_ = false;
    bool selected_ = false;
    bool marked_ = false;
};

// The dashed "Add" tile at the end of the strip.
class AddTile final : public QAbstractButton {
    Q_OBJECT

public:
    explicit AddTile(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(66, 44); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Every screenshot of the pending capture in taking order, then the "Add" tile.
class PendingStrip final : public QWidget {
    Q_OBJECT

public:
    PendingStrip(ThumbnailLoader& loader, const std::vector<PendingImage>& images,
                 QWidget* parent = nullptr);

    void setSelected(const std::string& imageID);
    const std::vector<StripTile*>& tiles() const { return tiles_; }
    AddTile* addTile() const { return add_; }

signals:
    void tileClicked(const QString& imageID);
    void addClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<StripTile*> tiles_;
    AddTile* add_ = nullptr;
};

} // namespace tavro
