#include "store/ImageFiles.h"

#include "model/Paths.h"

#include <system_error>

namespace fs = std::filesystem;

namespace tavro::ImageFiles {

namespace {

void removeFile(const std::optional<fs::path>& file) {
    if (!file)
        return;
    std::error_code error;
    auto status = fs::symlink_status(*file, error);
    if (error || !fs::exists(status) || fs::is_directory(status))
        return;
    fs::remove(*file, error);
}

} // namespace

void removeImage(std::string_view relative) {
    removeFile(TavroPaths::imageURL(relative));
}

void removeThumb(std::string_view relative) {
    removeFile(TavroPaths::thumbURL(relative));
}

void removeImageIfNamed(const std::optional<std::string>& relative) {
    if (relative)
        removeImage(*relative);
}

void removeThumbIfNamed(const std::optional<std::string>& relative) {
    if (relative)
        removeThumb(*relative);
}

void removeFiles(const CaptureImage& image) {
    removeImage(image.imagePath);
    if (image.annotatedPath)
        removeImage(*image.annotatedPath);
    if (image.thumbPath)
        removeThumb(*image.thumbPath);
}

void removeCover(const Capture& capture) {
    removeImage(capture.imagePath);
    if (capture.thumbPath)
        removeThumb(*capture.thumbPath);
}

} // namespace tavro::ImageFiles
