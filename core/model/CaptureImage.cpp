#include "model/CaptureImage.h"

#include "model/Paths.h"

namespace tavro {

std::optional<std::filesystem::path> CaptureImage::originalURL() const {
    return TavroPaths::imageURL(imagePath);
}

std::optional<std::filesystem::path> CaptureImage::displayURL() const {
    if (annotatedPath)
        return TavroPaths::imageURL(*annotatedPath);
    return originalURL();
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
