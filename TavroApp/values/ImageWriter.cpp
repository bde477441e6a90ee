#include "values/ImageWriter.h"

#include "values/CaptureError.h"
#include "values/QtImage.h"

namespace tavro::ImageWriter {

Written written(const ScreenshotFiles::Original& original) {
    return {original.imagePath, original.thumbPath, original.byteCount, original.size.width,
            original.size.height};
}

Written write(const QImage& image, std::string_view id, Seconds date) {
    const auto pixels = QtImage::copyFrom(image);
    try {
        if (!pixels) {
            // Still refuses an id that cannot name a file first, as writing would.
            if (!LibraryFiles::locate(LibraryFiles::Folder::captures,
                                      LibraryFiles::originalName(id, date)))
                throw ScreenshotFiles::WriteError("the image id cannot name a file");
            throw ScreenshotFiles::WriteError("PNG encoding failed");
        }
        return written(ScreenshotFiles::writeOriginal(*pixels, id, date));
    } catch (const ScreenshotFiles::WriteError& error) {
        throw CaptureError::writeFailed(error.what());
    }
}

} // namespace tavro::ImageWriter
