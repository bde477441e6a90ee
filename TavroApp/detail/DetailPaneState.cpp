#include "detail/DetailPaneState.h"

#include "detail/PaneTexts.h"

#include <algorithm>
#include <utility>

namespace tavro {

void DetailPaneState::setImages(std::vector<CaptureImage> images) {
    images_ = std::move(images);
    const bool stays =
        selectedImageID_ && std::any_of(images_.begin(), images_.end(), [&](const CaptureImage& i) {
            return i.id == *selectedImageID_;
        });
    if (stays)
        return;
    selectedImageID_ =
        images_.empty() ? std::nullopt : std::optional<std::string>(images_.front().id);
}

void DetailPaneState::select(const std::string& imageID) {
    selectedImageID_ = imageID;
}

void DetailPaneState::willDelete(const CaptureImage& image) {
    if (selectedImageID_ == image.id)
        selectedImageID_.reset();
}

const CaptureImage* DetailPaneState::selectedImage() const {
    if (selectedImageID_) {
        const auto found = std::find_if(images_.begin(), images_.end(), [&](const CaptureImage& i) {
            return i.id == *selectedImageID_;
        });
        if (found != images_.end())
            return &*found;
    }
    return images_.empty() ? nullptr : &images_.front();
}

bool DetailPaneState::showsNoScreenshot(const Capture& capture) const {
    return images_.empty() && !capture.hasImage();
}

std::optional<std::filesystem::path> DetailPaneState::shownFile(const Capture& capture) const {
    if (const CaptureImage* image = selectedImage())
        return image->displayFilePath();
    return capture.imageFilePath();
}

QSizeF DetailPaneState::shownPixelSize(const Capture& capture) const {
    if (const CaptureImage* image = selectedImage())
        return QSizeF(double(image->width), double(image->height));
    return QSizeF(double(capture.imageWidth), double(capture.imageHeight));
}

std::optional<std::string> DetailPaneState::markupButtonLabel() const {
    const CaptureImage* image = selectedImage();
    if (actualSize_ || !image)
        return std::nullopt;
    return std::string(image->hasAnnotations() ? PaneTexts::editMarks : PaneTexts::markUp);
}

QSizeF fitFrame(QSizeF area) {
    const double inset = 2 * DetailPaneState::imagePadding;
    return QSizeF(std::max(1.0, area.width() - inset), std::max(1.0, area.height() - inset));
}

QSizeF actualSizeFrame(QSizeF pixels, double scale) {
    if (!(scale > 0))
        scale = 1;
    return QSizeF(pixels.width() / scale, pixels.height() / scale);
}

double imageScale(const Capture& capture, const std::vector<DisplayScale>& displays,
                  std::optional<double> mainScale) {
    if (capture.displayScale > 0)
        return capture.displayScale;
    if (capture.displayName)
        for (const DisplayScale& display : displays)
            if (display.name == *capture.displayName)
                return display.scale;
    return mainScale.value_or(2.0);
}

} // namespace tavro
