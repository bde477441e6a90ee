#pragma once

#include "model/Capture.h"
#include "model/CaptureImage.h"

#include <QSizeF>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// What the detail pane shows of a capture's screenshots: the list as last read, which one is
// large, and whether it is fitted into the area or shown at actual size.
class DetailPaneState {
public:
    // Padding around the screenshot in either mode.
    static constexpr double imagePadding = 24;

    const std::vector<CaptureImage>& images() const { return images_; }
    const std::optional<std::string>& selectedImageID() const { return selectedImageID_; }
    bool isActualSize() const { return actualSize_; }

    // After a read of the screenshots: the selection stays while its screenshot is still there,
    // else the first screenshot is selected (none when there are none).
    void setImages(std::vector<CaptureImage> images);
    void select(const std::string& imageID);
    // Before the screenshot is deleted: when it is the one shown, the next read selects the
    // first one left.
    void willDelete(const CaptureImage& image);
    void toggleActualSize() { actualSize_ = !actualSize_; }

    // The selected screenshot, else the first; none when there are none.
    const CaptureImage* selectedImage() const;

    // A note-only capture: no screenshots and no cover.
    bool showsNoScreenshot(const Capture& capture) const;
    // The file shown large: the selected screenshot's marked copy or original, else the cover.
    // Nothing when no file inside the library can be named.
    std::optional<std::filesystem::path> shownFile(const Capture& capture) const;
    // Its size in pixels.
    QSizeF shownPixelSize(const Capture& capture) const;
    // The label of the button over the image: only in fit mode with a screenshot selected.
    std::optional<std::string> markupButtonLabel() const;

private:
    std::vector<CaptureImage> images_;
    std::optional<std::string> selectedImageID_;
    bool actualSize_ = false;
};

// Where the image goes inside an area of the given size in fit mode: the area less the
// padding, never smaller than 1 by 1.
QSizeF fitFrame(QSizeF area);
// The image's size at actual size, in logical pixels: its pixels divided by the scale of the
// display it was taken on.
QSizeF actualSizeFrame(QSizeF pixels, double scale);

// A connected display, as the pane asks about it.
struct DisplayScale {
    std::string name;
    double scale = 1;
};

// The pixel scale the capture was taken at: as stored, else that of the connected display of
// the capture's name, else the main display's (2 without one).
double imageScale(const Capture& capture, const std::vector<DisplayScale>& displays,
                  std::optional<double> mainScale);

} // namespace tavro
