#include "model/CaptureImage.h"

#include "model/Paths.h"

namespace tavro {

std::optional<std::filesystem::path> CaptureImage::originalURL() const {
    return TavroPaths::imageURL(imagePath);
}

std::optional<std::filesystem::path> CaptureImage::displayURL() const {
    return TavroPaths::imageURL(displayPath());
}

const std::string& CaptureImage::displayPath() const {
    // An empty marked-up path names no file: the original is shown, as the cover does.
    return annotatedPath && !annotatedPath->empty() ? *annotatedPath : imagePath;
}

std::optional<std::filesystem::path> CaptureImage::thumbURL() const {
    if (!thumbPath)
        return std::nullopt;
    return TavroPaths::thumbURL(*thumbPath);
}

Annotation CaptureImage::annotation() const {
    if (!annotationJSON)
        return {};
    return Annotation::decode(std::string_view(*annotationJSON));
}

} // namespace tavro
