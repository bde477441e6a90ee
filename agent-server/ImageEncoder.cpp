#include "ImageEncoder.h"

#include "model/Paths.h"

namespace tavro::ImageEncoder {

std::optional<Image> downscale(const Image& image, int maxEdge) {
    return image.downscaled(maxEdge);
}

std::optional<std::vector<std::uint8_t>> encodePNG(const Image& image) {
    return image.encodePNG();
}

std::string base64(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out(4 * ((bytes.size() + 2) / 3), '=');
    char* to = out.data();
    const std::uint8_t* from = bytes.data();
    const size_t whole = bytes.size() / 3 * 3;
    for (size_t i = 0; i < whole; i += 3, to += 4) {
        const std::uint32_t group =
            std::uint32_t(from[i]) << 16 | std::uint32_t(from[i + 1]) << 8 | from[i + 2];
        to[0] = digits[group >> 18];
        to[1] = digits[(group >> 12) & 63];
        to[2] = digits[(group >> 6) & 63];
        to[3] = digits[group & 63];
    }
    if (const size_t rest = bytes.size() - whole) {
        const std::uint32_t group = std::uint32_t(from[whole]) << 16 |
                                    (rest == 2 ? std::uint32_t(from[whole + 1]) << 8 : 0);
        to[0] = digits[group >> 18];
        to[1] = digits[(group >> 12) & 63];
        if (rest == 2)
            to[2] = digits[(group >> 6) & 63];
    }
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
