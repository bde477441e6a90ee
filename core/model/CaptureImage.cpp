#include "model/CaptureImage.h"

#include "model/Paths.h"

namespace tavro {

std::optional<std::filesystem::path> CaptureImage::originalFilePath() const {
    return TavroPaths::imageFilePath(imagePath);
}

std::optional<std::filesystem::path> CaptureImage::displayFilePath() const {
    return TavroPaths::imageFilePath(displayPath());
}

const std::string& CaptureImage::displayPath() const {
    // An empty marked-up path names no file: the original is shown, as the cover does.
    return annotatedPath && !annotatedPath->empty() ? *annotatedPath : imagePath;
}

std::optional<std::filesystem::path> CaptureImage::thumbFilePath() const {
    if (!thumbPath)
        return std::nullopt;
    return TavroPaths::thumbFilePath(*thumbPath);
}

bool CaptureImage::hasAnnotations() const {
    if (annotationJSON && annotationJSON->size() <= decodedMarkupBytes)
        return !annotation().isEmpty();
    return Annotation::hasShapes(annotationJSON);
}

Annotation CaptureImage::annotation() const {
    if (!annotationJSON)
        return {};
    return Annotation::decode(std::string_view(*annotationJSON));
}

} // namespace tavro
