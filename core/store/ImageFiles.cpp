#include "store/ImageFiles.h"

#include "files/LibraryFiles.h"

namespace tavro::ImageFiles {

void removeImage(std::string_view relative) {
    LibraryFiles::remove(LibraryFiles::Folder::captures, relative);
}

void removeThumb(std::string_view relative) {
    LibraryFiles::remove(LibraryFiles::Folder::thumbs, relative);
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
