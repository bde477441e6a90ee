#include "files/ScreenshotFiles.h"

#include "files/LibraryFiles.h"

// Apart from the writers: the store removes files, and needs no image library for it.
namespace tavro::ScreenshotFiles {

using Folder = LibraryFiles::Folder;

void removeOriginal(const std::string& imagePath) {
    LibraryFiles::remove(Folder::captures, imagePath);
}

void removeMarkedCopy(const std::optional<std::string>& markedPath) {
    if (markedPath)
        LibraryFiles::remove(Folder::captures, *markedPath);
}

void removeThumbnail(const std::optional<std::string>& thumbPath) {
    if (thumbPath)
        LibraryFiles::remove(Folder::thumbs, *thumbPath);
}

void removeFiles(const CaptureImage& image) {
    removeOriginal(image.imagePath);
    removeMarkedCopy(image.annotatedPath);
    removeThumbnail(image.thumbPath);
}

void removeFiles(const Capture& capture) {
    removeOriginal(capture.imagePath);
    removeThumbnail(capture.thumbPath);
}

} // namespace tavro::ScreenshotFiles
