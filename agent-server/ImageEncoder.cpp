#include "ImageEncoder.h"

#include "model/Paths.h"

#include <openssl/evp.h>

namespace tavro::ImageEncoder {

std::optional<Image> downscale(const Image& image, int maxEdge) {
    return image.downscaled(maxEdge);
}

std::optional<std::vector<std::uint8_t>> encodePNG(const Image& image) {
    return image.encodePNG();
}

std::string base64(std::span<const std::uint8_t> bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3), '\0');
    // EVP_EncodeBlock takes an int length: encode in whole groups of three bytes per call.
    constexpr size_t chunk = size_t(3) << 20;
    size_t written = 0;
    for (size_t offset = 0; offset < bytes.size(); offset += chunk) {
        size_t length = std::min(chunk, bytes.size() - offset);
        written += size_t(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + written),
                                          bytes.data() + offset, int(length)));
    }
    out.resize(written);
    return out;
}

std::string shownPath(const std::optional<std::filesystem::path>& file, std::string_view stored) {
    return file ? file->string()
                : (TavroPaths::capturesRoot().string() + "/" + std::string(stored));
}

std::string tooLargeReason(DeclaredSize size) {
    return std::to_string(size.width) + " \u00D7 " + std::to_string(size.height) + " pixels";
}

std::string tooLargeDiagnostic(const std::string& path, DeclaredSize size) {
    return "image too large to decode at " + path + " (" + tooLargeReason(size) + ")";
}

Prepared prepare(const std::filesystem::path& file, int maxEdge) {
    auto image = Image::load(file);
    if (!image) {
        if (auto declared = Image::declaredSize(file); declared && !Image::withinLimits(*declared))
            return {Prepared::Status::tooLarge, {}, *declared};
        return {Prepared::Status::unreadable, {}};
    }
    auto scaled = downscale(*image, maxEdge);
    auto png = encodePNG(scaled ? *scaled : *image);
    if (!png)
        return {Prepared::Status::encodingFailed, {}};
    return {Prepared::Status::ready, base64(*png)};
}

} // namespace tavro::ImageEncoder
